#include "attach/ServerDiskFiles.h"

#include "attach/AttachServices.h"
#include "operations/SqlText.h"

using namespace Qt::StringLiterals;

namespace attach {

namespace {

using tarnwick::unicodeLiteral;

tarnwick::RecordSet ask(const QString& query) {
    return services().openRecordSet(query, tarnwick::RecordSet::adOpenStatic,
                                    tarnwick::RecordSet::adLockReadOnly);
}

}  // namespace

QStringList ServerDiskFiles::drives() {
    tarnwick::RecordSet set = ask(u"EXEC master..xp_fixeddrives"_s);
    QStringList roots;
    while (!set.eof()) {
        const QString letter = set.field(0).toString().trimmed();
        if (!letter.isEmpty()) roots << letter.left(1).toUpper() + u":\\"_s;
        set.moveNext();
    }
    return roots;
}

QList<tarnwick::ServerFileEntry> ServerDiskFiles::entries(const QString& folder) {
    tarnwick::RecordSet set =
        ask(u"EXEC master..xp_dirtree "_s + unicodeLiteral(folder) + u",1,1"_s);
    QList<tarnwick::ServerFileEntry> found;
    while (!set.eof()) {
        found.append({set.field(0).toString(), set.field(2).toInt() != 0});
        set.moveNext();
    }
    return found;
}

tarnwick::ServerPathState ServerDiskFiles::pathState(const QString& path) {
    tarnwick::RecordSet set = ask(u"EXEC master..xp_fileexist "_s + unicodeLiteral(path));
    tarnwick::ServerPathState state;
    if (!set.eof()) {
        state.isFile = set.field(0).toInt() != 0;
        state.isDirectory = set.field(1).toInt() != 0;
        state.parentExists = set.field(2).toInt() != 0;
    }
    return state;
}

}  // namespace attach
