#pragma once
// The server's disks through its extended procedures, over the attach windows' services:
//   EXEC master..xp_fixeddrives                      the drives
//   EXEC master..xp_dirtree N'<folder>',1,1          what lies in a folder, files marked
//   EXEC master..xp_fileexist N'<path>'              file, folder, parent folder
// A quote in a path is doubled. The browser, the file listing and the command line share it.

#include "toolkit/ServerFiles.h"

namespace attach {

class ServerDiskFiles final : public tarnwick::ServerFiles {
public:
    QStringList drives() override;
    QList<tarnwick::ServerFileEntry> entries(const QString& folder) override;
    tarnwick::ServerPathState pathState(const QString& path) override;
};

}  // namespace attach
