#pragma once
// The allocation report DBCC CHECKALLOC prints before its summary: per table and index where its
// pages lie, per data file and per object how many extents and pages are in use, and the totals.

#include "sqlsim/engine/SessionImpl.h"

#include <vector>

namespace sqlsim {

struct AllocatedTable {
    QString name;
    int objectId = 0;
    int indId = 0;  // 1 for the system tables (clustered), 0 for a heap
    int dataPages = 0;
};

// The lines of the report, in the order the server prints them.
std::vector<DbccLine> allocationReport(const DatabaseState& db,
                                       const std::vector<AllocatedTable>& tables);

}  // namespace sqlsim
