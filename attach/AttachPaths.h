#pragma once
// Paths as the attach windows take them apart. A path separator is the backslash; where the native
// separator is '/', as on Linux, '/' counts as one too, so paths from the local file dialog and
// paths recorded on a Windows server both split at their last separator.

#include <QString>

namespace attach {

// The index of the last separator, or -1.
qsizetype lastPathSeparator(const QString& path);
// The part after the last separator. A path without any separator raises std::invalid_argument.
QString fileNameOf(const QString& path);
// Blanks (only ' ') removed at both ends; tabs and line ends stay.
QString trimBlanks(const QString& text);

}  // namespace attach
