#pragma once
// One operation of the main window: its key, the node the tree shows for it and what a
// double-click on that node runs. The tree is filled from a table of rows, in its order, and the
// double-click runs the row whose key matches the selected node's.

#include "operations/OperationCatalogue.h"
#include "operations/OperationHost.h"

#include <QString>

#include <functional>
#include <vector>

// What an action reaches of the main window while it runs.
struct OperationContext {
    tarnwick::OperationHost& host;
    // The current text of the database list; an action reads it right before its routine runs.
    std::function<QString()> currentDatabase;
    // The version text of the server now connected, which chooses the attach window.
    std::function<QString()> serverVersion;
    // Opens the attach window that suits a server version, modally.
    std::function<void(const QString& serverVersion)> showAttachWindow;
    // A line in the window's status bar.
    std::function<void(const QString& text)> showStatus = {};
};

struct OperationRow {
    QString key;   // compared as whole text, case included
    QString text;  // the node text the user sees
    int image;     // index into the tree's image list: 1 or 2
    std::function<void(const OperationContext&)> action;
    // Whether the window asks before it runs the row, and why.
    tarnwick::DataLoss dataLoss = tarnwick::DataLoss::None;
};

using OperationTable = std::vector<OperationRow>;

// The row of a key, or nullptr: a key without a row runs nothing.
inline const OperationRow* findOperation(const OperationTable& table, const QString& key) {
    for (const OperationRow& row : table)
        if (row.key == key) return &row;
    return nullptr;
}
