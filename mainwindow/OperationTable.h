#pragma once
// The program's fourteen operations, in the order of the tree: the operation catalogue with the
// tree's pictures, alternating 1 and 2 from the first node.

#include "mainwindow/OperationRow.h"

const OperationTable& operationTable();
