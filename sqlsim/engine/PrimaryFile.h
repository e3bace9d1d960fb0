#pragma once
// Detached database files on the local disk. A primary file sqlsim lays out starts with a small
// header holding its record (database name, the files it records, the tables it brings along), so
// what a client's file dialog shows and what the server reads are the same files.

#include "sqlsim/engine/Scenario.h"

#include <optional>

namespace sqlsim {

// Writes every detached database of the scenario into dir: the primary files with their record,
// every other recorded file that exists as a plain file. Paths in the scenario (where a primary
// file lies, what it records) become paths in dir; files marked missing are removed from dir. The
// scenario then reads detached databases from the disk. Throws std::runtime_error when a file
// cannot be written.
void layOutDetachedFiles(Scenario& scenario, const QString& dir);

// Stores the files of the scenario's server paths under dir, keeping the paths: each detached
// primary file with its record at its path (C:\Attach\X.MDF in dir/C/Attach/X.MDF), every other
// file it records that exists beside it under its recorded name, and a file for each file of the
// attached databases. The server then sees only its own paths; ServerDisk maps them to dir.
// Throws std::runtime_error for a path without a drive or when a file cannot be written.
void storeServerFiles(Scenario& scenario, const QString& dir);

void writePrimaryFile(const QString& path,
                      const DetachedDatabase& record);  // throws std::runtime_error
// The record of a primary file; nothing for a missing file or one without sqlsim's header.
std::optional<DetachedDatabase> readPrimaryFile(const QString& path);

}  // namespace sqlsim
