#pragma once
// The program's fourteen operations, in the order of the tree.

#include "mainwindow/OperationRow.h"

const OperationTable& operationTable();
