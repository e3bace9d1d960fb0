#include "attach/PrimaryFileListing.h"

#include "attach/AttachPaths.h"
#include "attach/AttachServices.h"
#include "attach/AttachStatements.h"
#include "toolkit/Toolkit.h"

using namespace Qt::StringLiterals;

namespace attach {

QString fileStatus(const QString& path) {
    return tarnwick::toolkit().fileExists(path) ? u"正确"_s : u"不存在"_s;
}

bool isMissing(const ListedFile& file) {
    return file.status == u"不存在"_s;
}

QString folderOf(const QString& primaryFile) {
    const QString trimmed = trimBlanks(primaryFile);
    return trimmed.left(trimmed.size() - fileNameOf(trimmed).size());
}

void listRecordedFiles(const QString& primaryFile, const std::function<void()>& onAnswered,
                       const std::function<void(const ListedFile&)>& onFile) {
    const QString folder = folderOf(primaryFile);
    tarnwick::RecordSet files = services().openRecordSet(checkPrimaryFileQuery(primaryFile, 3),
                                                         tarnwick::RecordSet::adOpenDynamic,
                                                         tarnwick::RecordSet::adLockReadOnly);
    onAnswered();
    while (!files.eof()) {
        ListedFile file;
        file.fileName = fileNameOf(trimBlanks(files.field(3).toString()));
        file.location = folder + file.fileName;
        file.status = fileStatus(file.location);
        onFile(file);
        files.moveNext();
    }
    files.close();
}

QString recordedDatabaseName(const QString& primaryFile) {
    tarnwick::RecordSet properties = services().openRecordSet(
        checkPrimaryFileQuery(primaryFile, 2), tarnwick::RecordSet::adOpenStatic,
        tarnwick::RecordSet::adLockOptimistic);
    properties.moveFirst();
    const QString name = properties.field(1).toString();
    properties.close();
    return name;
}

QString primaryFileAttachStatement(const QString& databaseName, const ListedFile& first,
                                   const ListedFile& second) {
    return isMissing(second)
               ? singleFileAttachStatement(databaseName, first.location)
               : twoFileAttachStatement(databaseName, first.location, second.location);
}

}  // namespace attach
