#include "attach/PrimaryFileListing.h"

#include "attach/AttachPaths.h"
#include "attach/AttachServices.h"
#include "attach/AttachStatements.h"
#include "attach/ServerDiskFiles.h"

using namespace Qt::StringLiterals;

namespace attach {

namespace {

constexpr qsizetype kMostFiles = 16;  // sp_attach_db's @filename1 to @filename16

bool isRenamedPrimary(const ListedFile& file) {
    return file.status == u"已改名"_s;
}

}  // namespace

bool isMissing(const ListedFile& file) {
    return file.status == u"不存在"_s;
}

QString folderOf(const QString& primaryFile) {
    const QString trimmed = trimBlanks(primaryFile);
    return trimmed.left(trimmed.size() - fileNameOf(trimmed).size());
}

void listRecordedFiles(const QString& primaryFile, const std::function<void()>& onAnswered,
                       const std::function<void(const ListedFile&)>& onFile) {
    const QString chosen = trimBlanks(primaryFile);
    const QString folder = folderOf(primaryFile);
    tarnwick::RecordSet files = services().openRecordSet(checkPrimaryFileQuery(primaryFile, 3),
                                                         tarnwick::RecordSet::adOpenDynamic,
                                                         tarnwick::RecordSet::adLockReadOnly);
    onAnswered();
    ServerDiskFiles disk;
    bool first = true;
    while (!files.eof()) {
        ListedFile file;
        file.fileName = fileNameOf(trimBlanks(files.field(3).toString()));
        file.location = folder + file.fileName;
        // Windows compares file names without case.
        if (first && file.fileName.compare(fileNameOf(chosen), Qt::CaseInsensitive) != 0) {
            file.location = chosen;
            file.status = u"已改名"_s;
        } else {
            file.status = disk.pathState(file.location).isFile ? u"正确"_s : u"不存在"_s;
        }
        first = false;
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

QString primaryFileAttachStatement(const QString& databaseName, const QList<ListedFile>& files) {
    const ListedFile first = files.value(0);
    const ListedFile second = files.value(1);
    if (files.size() <= 2 && !isRenamedPrimary(first))
        return isMissing(second)
                   ? singleFileAttachStatement(databaseName, first.location)
                   : twoFileAttachStatement(databaseName, first.location, second.location);
    QStringList paths{first.location};
    for (qsizetype i = 1; i < files.size() && paths.size() < kMostFiles; ++i)
        if (!isMissing(files.at(i))) paths << files.at(i).location;
    return paths.size() == 1 ? singleFileAttachStatement(databaseName, first.location)
                             : filesAttachStatement(databaseName, paths);
}

}  // namespace attach
