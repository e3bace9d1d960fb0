#pragma once
// The attach operation's entry point: the window that fits the server's version.

#include <QString>

namespace attach {

enum class AttachWindow { PrimaryFile, DataAndLogFiles };

// frmFile for exactly "Microsoft SQL Server  2000" (two blanks), frmAttch7 for any other text.
AttachWindow attachWindowFor(const QString& serverVersion);

// Shows a fresh window of that kind modally, without an owner, and returns when it is closed; the
// window is discarded then.
void ShowAttachWindow(const QString& serverVersion);

}  // namespace attach
