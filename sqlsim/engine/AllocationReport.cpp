#include "sqlsim/engine/AllocationReport.h"

#include "sqlsim/engine/Messages.h"

namespace sqlsim {

namespace {

constexpr int kPagesPerExtent = 8;

// Where the pages of one table lie: an IAM page, then its data pages. Tables of fewer than eight
// pages live in mixed extents; larger ones get whole extents of their own for what fills them.
struct Placement {
    int firstIam = 0;
    int root = 0;
    int usedPages = 0;
    int dedicatedExtents = 0;
    int mixedPages = 0;
};

}  // namespace

std::vector<DbccLine> allocationReport(const DatabaseState& db,
                                       const std::vector<AllocatedTable>& tables) {
    int primaryFile = 1;
    for (const ScenarioFile& f : db.files) {
        if (f.groupId != 0) {
            primaryFile = f.fileId;
            break;
        }
    }
    std::vector<DbccLine> out;
    std::vector<Placement> placements;
    int nextPage = 16;  // the pages before it hold the file header and the allocation maps
    for (const AllocatedTable& t : tables) {
        Placement p;
        p.firstIam = nextPage;
        p.root = nextPage + 1;
        p.usedPages = t.dataPages + 1;
        p.dedicatedExtents = t.dataPages >= kPagesPerExtent ? p.usedPages / kPagesPerExtent : 0;
        p.mixedPages = p.usedPages - p.dedicatedExtents * kPagesPerExtent;
        nextPage += p.usedPages;
        placements.push_back(p);

        out.push_back(dbccLine(msg::allocationRule(), db.dbid));
        out.push_back(dbccLine(msg::allocationTable(t.name, t.objectId), db.dbid, t.objectId));
        out.push_back(dbccLine(
            msg::allocationIndexRoot(t.indId, primaryFile, p.firstIam, p.root, t.dataPages),
            db.dbid, t.objectId, t.indId));
        out.push_back(dbccLine(msg::allocationIndexPages(t.indId, p.usedPages, p.dedicatedExtents),
                               db.dbid, t.objectId, t.indId));
        out.push_back(
            dbccLine(msg::allocationTableExtents(p.dedicatedExtents), db.dbid, t.objectId));
    }
    out.push_back(
        dbccLine(msg::allocationEntries(static_cast<int>(tables.size()), db.dbid), db.dbid));

    int dedicated = 0;
    int mixedPages = 0;
    int usedPages = 0;
    for (const Placement& p : placements) {
        dedicated += p.dedicatedExtents;
        mixedPages += p.mixedPages;
        usedPages += p.usedPages;
    }
    const int mixedExtents = (mixedPages + kPagesPerExtent - 1) / kPagesPerExtent;
    const int extents = dedicated + mixedExtents;
    for (const ScenarioFile& f : db.files) {
        if (f.groupId == 0) continue;
        const bool primary = f.fileId == primaryFile;
        out.push_back(
            dbccLine(msg::allocationFile(f.fileId, primary ? extents : 0, primary ? usedPages : 0,
                                         primary ? extents * kPagesPerExtent : 0),
                     db.dbid));
        out.push_back(dbccLine(msg::allocationFileMixed(f.fileId, primary ? mixedExtents : 0,
                                                        primary ? mixedPages : 0),
                               db.dbid));
    }
    for (size_t i = 0; i < tables.size(); ++i) {
        const AllocatedTable& t = tables[i];
        const Placement& p = placements[i];
        out.push_back(dbccLine(msg::allocationObject(t.objectId, t.indId, p.dedicatedExtents,
                                                     p.usedPages, p.mixedPages),
                               db.dbid, t.objectId, t.indId));
    }
    out.push_back(
        dbccLine(msg::allocationTotal(extents, usedPages, extents * kPagesPerExtent), db.dbid));
    out.push_back(dbccLine(msg::allocationTotalMixed(mixedExtents, mixedPages), db.dbid));
    return out;
}

}  // namespace sqlsim
