#pragma once
// The server's disks as its extended procedures and its attach see them. Paths are the server's
// own (C:\Attach\Inventory.MDF): a drive letter, a colon and folders separated by '\' ('/' counts
// too), compared without case. Three ways to hold them:
// - files stored under a local folder (sqlsim --files DIR): C:\Attach\X.MDF lies at
//   DIR/C/Attach/X.MDF, found without regard to case;
// - files laid out at local paths (layOutDetachedFiles): a path is the local path itself;
// - no files at all: the scenario's detached databases and the files of the attached ones, as the
//   scenario describes them.

#include <QString>

#include <optional>
#include <vector>

namespace sqlsim {

struct ServerState;

struct DiskEntry {
    QString name;
    bool isFile = false;
};

class ServerDisk {
public:
    explicit ServerDisk(const ServerState& state) : m_state(state) {}

    // The drive letters, upper case and in order.
    QStringList drives() const;
    bool isFile(const QString& path) const;
    bool isDirectory(const QString& path) const;
    // The entries directly inside a folder, in the order the server's file system lists them (by
    // name, without case); nothing when the folder does not exist.
    std::optional<std::vector<DiskEntry>> entries(const QString& folder) const;
    // Where the bytes of a server path lie on the local disk; empty without a local disk or for a
    // path that is no drive path.
    QString localPath(const QString& path) const;

private:
    std::vector<QString> describedFiles() const;

    const ServerState& m_state;
};

// The components of a drive path ("C:\A\b.MDF" -> "C", "A", "b.MDF"), the letter upper case;
// nothing for a path that does not start with a drive or that holds "." or "..".
std::optional<QStringList> driveComponents(const QString& path);

}  // namespace sqlsim
