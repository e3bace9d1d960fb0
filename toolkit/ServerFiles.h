#pragma once
// The disks of the server the program works on, as the server itself shows them: its drives, what
// lies in a folder, and whether a path is a file or a folder. Paths are the server's own
// (C:\Attach\Sales.MDF). The attach windows browse and check files only through this; failures
// (a procedure the server refuses) raise std::runtime_error carrying the server's message in UTF-8.

#include <QList>
#include <QString>
#include <QStringList>

namespace tarnwick {

struct ServerFileEntry {
    QString name;
    bool isFile = false;
};

struct ServerPathState {
    bool isFile = false;
    bool isDirectory = false;
    bool parentExists = false;
};

class ServerFiles {
public:
    virtual ~ServerFiles() = default;
    // The drive roots, "C:\" and so on.
    virtual QStringList drives() = 0;
    // What lies directly in a folder (its path ends with '\'); empty for a missing folder.
    virtual QList<ServerFileEntry> entries(const QString& folder) = 0;
    virtual ServerPathState pathState(const QString& path) = 0;
};

}  // namespace tarnwick
