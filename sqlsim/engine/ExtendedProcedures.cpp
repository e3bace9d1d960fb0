// The extended procedures through which clients see the server's disks: xp_fixeddrives,
// xp_availablemedia, xp_subdirs, xp_dirtree and xp_fileexist, over ServerDisk. Result columns,
// permissions and errors as SQL Server 2000 has them; 7.0 answers alike.

#include "sqlsim/engine/Messages.h"
#include "sqlsim/engine/ProcedureParams.h"
#include "sqlsim/engine/ServerDisk.h"
#include "sqlsim/engine/SessionImpl.h"

using namespace Qt::StringLiterals;

namespace sqlsim {

namespace {

// The free space every drive reports: 4 GB and 4 MB, so that the low 32 bits of the byte count
// are not zero.
constexpr qint64 kFreeBytes = (qint64(1) << 32) + 4 * 1024 * 1024;

ColumnDef column(const QString& name, ColumnType type, int length = 0) {
    ColumnDef c;
    c.name = name;
    c.type = type;
    c.length = length;
    return c;
}

// The folder with one '\' at its end, as the procedures join names to it.
QString asFolder(const QString& path) {
    return path.endsWith(u'\\') || path.endsWith(u'/') ? path : path + u'\\';
}

// The argument at a position, passed without a name; an empty text when there is none.
QString positional(const std::vector<ExecParam>& params, size_t position) {
    if (position >= params.size() || !params[position].name.isEmpty()) return {};
    const ExprPtr& value = params[position].value;
    return value && !value->value.isNull() ? value->value.toString() : QString();
}

int intParam(const std::vector<ExecParam>& params, size_t position, int fallback) {
    const QString value = positional(params, position);
    if (value.isEmpty()) return fallback;
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok ? n : fallback;
}

}  // namespace

bool SessionImpl::isDiskProcedure(const QString& lowerName) {
    return lowerName == u"xp_fixeddrives" || lowerName == u"xp_availablemedia" ||
           lowerName == u"xp_subdirs" || lowerName == u"xp_dirtree" || lowerName == u"xp_fileexist";
}

SessionImpl::Outcome SessionImpl::runDiskProcedure(const QString& name, const QString& written,
                                                   const std::vector<ExecParam>& params) {
    if (const auto refused = m_state->refusedProcedures.find(name);
        refused != m_state->refusedProcedures.end()) {
        if (refused->second == 2812) return fail(msg::procedureNotFound(written));
        return fail(msg::executeDenied(name));
    }
    const ServerDisk disk(*m_state);
    const auto send = [this](ResultSet rs) {
        const qint64 count = rs.rows.size();
        result(std::move(rs));
        done(true, count, 0xC1);
    };
    return runProcedureBody(name, [&]() -> int {
        const QString path = positional(params, 0);
        if (name == u"xp_fixeddrives") {
            ResultSet rs;
            rs.columns = {column(u"drive"_s, ColumnType::NChar, 1),
                          column(u"MB free"_s, ColumnType::Int)};
            // 1 remote, 2 removable, 3 CD-ROM: the server has fixed drives only.
            if (intParam(params, 0, 0) == 0)
                for (const QString& letter : disk.drives())
                    rs.rows.push_back({letter, kFreeBytes / (1024 * 1024)});
            send(std::move(rs));
        } else if (name == u"xp_availablemedia") {
            ResultSet rs;
            rs.columns = {column(u"name"_s, ColumnType::NVarChar, 256),
                          column(u"low free"_s, ColumnType::Int),
                          column(u"high free"_s, ColumnType::Int),
                          column(u"media type"_s, ColumnType::Int)};
            const int type = intParam(params, 0, 0);
            if (type == 0 || (type & 2))
                for (const QString& letter : disk.drives())
                    rs.rows.push_back({QString(letter + u":\\"_s),
                                       qint64(static_cast<qint32>(kFreeBytes & 0xFFFFFFFF)),
                                       qint64(kFreeBytes >> 32), qint64(2)});
            send(std::move(rs));
        } else if (name == u"xp_subdirs") {
            const auto found = disk.entries(path);
            if (!found) {
                const QString pattern = asFolder(path) + u"*.*"_s;
                message(msg::subdirsPathNotFound(pattern));
                done(false, 0, 0);
                return 1;
            }
            ResultSet rs;
            rs.columns = {column(u"subdirectory"_s, ColumnType::NVarChar, 256)};
            for (const DiskEntry& e : *found)
                if (!e.isFile) rs.rows.push_back({e.name});
            send(std::move(rs));
        } else if (name == u"xp_dirtree") {
            const int depth = intParam(params, 1, 0);
            const bool withFiles = intParam(params, 2, 0) != 0;
            ResultSet rs;
            rs.columns = {column(u"subdirectory"_s, ColumnType::NVarChar, 256),
                          column(u"depth"_s, ColumnType::Int)};
            if (withFiles) rs.columns.push_back(column(u"file"_s, ColumnType::Int));
            // Pre-order: a folder, then what lies in it, before the next entry.
            std::function<void(const QString&, int)> walk = [&](const QString& folder, int level) {
                const auto found = disk.entries(folder);
                if (!found) return;  // a missing or unreadable folder lists nothing
                for (const DiskEntry& e : *found) {
                    if (e.isFile && !withFiles) continue;
                    QVector<Cell> row{e.name, qint64(level)};
                    if (withFiles) row.push_back(qint64(e.isFile ? 1 : 0));
                    rs.rows.push_back(row);
                    if (!e.isFile && (depth <= 0 || level < depth))
                        walk(asFolder(folder) + e.name, level + 1);
                }
            };
            walk(path, 1);
            send(std::move(rs));
        } else {  // xp_fileexist
            const bool isFile = disk.isFile(path);
            const bool isDirectory = !isFile && disk.isDirectory(path);
            const QString parent = folderOf(path);
            const bool parentExists = !parent.isEmpty() && disk.isDirectory(parent);
            ResultSet rs;
            rs.columns = {column(u"File Exists"_s, ColumnType::Int),
                          column(u"File is a Directory"_s, ColumnType::Int),
                          column(u"Parent Directory Exists"_s, ColumnType::Int)};
            rs.rows.push_back({qint64(isFile), qint64(isDirectory), qint64(parentExists)});
            send(std::move(rs));
        }
        return 0;
    });
}

}  // namespace sqlsim
