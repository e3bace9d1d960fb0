// The three repairing routines against the demo server, once served with an sa password and once
// without. The single-user switch runs osql inside xp_cmdshell with an empty password: with a
// password osql cannot log in, xp_cmdshell still succeeds (its output rows are not read), the
// database stays multi-user and the repair statement is what fails.

#include "operations/CaptureStatements.h"
#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace tarnwick::capture;

namespace {

const QString kDb = u"Warehouse"_s;

struct Repairing {
    const char* name;
    std::function<void(tarnwick::OperationHost&)> run;
    CheckRoutine statement;
    QString argument;
};

const std::vector<Repairing>& repairingRoutines()
{
    static const std::vector<Repairing> kRoutines = {
        {"CheckAllocation", [](tarnwick::OperationHost& h) { ModMain::CheckAllocation(h, kDb); },
         CheckRoutine::CheckAllocation, kDb},
        {"RepairDatabase", [](tarnwick::OperationHost& h) { ModMain::RepairDatabase(h, kDb); },
         CheckRoutine::RepairDatabase, kDb},
        {"RepairSysindexes",
         [](tarnwick::OperationHost& h) { ModMain::RepairSystemTable(h, kDb, u"sysindexes"_s); },
         CheckRoutine::RepairSystemTable, u"sysindexes"_s},
    };
    return kRoutines;
}

struct Served {
    Repairing routine;
    bool withPassword;
};

void PrintTo(const Served& s, std::ostream* out)
{
    *out << s.routine.name << (s.withPassword ? " with a password" : " without a password");
}

class DemoServer : public testing::TestWithParam<Served> {};

TEST_P(DemoServer, RepairingRoutineEndsAsTheSaPasswordDecides)
{
    const Served& served = GetParam();
    sqlsim::Scenario scenario = sqlsim::Scenario::fromFile(
        QStringLiteral(TARNWICK_SOURCE_DIR "/sqlsim/scenarios/demo.json"));
    if (served.withPassword)
        scenario.saPassword = u"Demo#2000"_s;
    tarnwick::test::SqlsimFixture sim(scenario);
    ASSERT_TRUE(sim.connect());
    const int main = sim.server().journal().back().conn;
    const int findingsBefore = sim.engine().findingCount(kDb);
    sim.clearJournal();

    RecordingHost host;
    served.routine.run(host);

    QStringList batches;
    for (const sqlsim::JournalEntry& entry : sim.server().journal()) {
        if (entry.conn == main)
            batches << entry.text;
    }
    const CaptureStatement& capture = captureStatementOf(served.routine.statement);
    ASSERT_GE(batches.size(), 3);
    EXPECT_EQ(batches.first(), singleUserStatement(kDb, true));
    EXPECT_EQ(batches.last(), singleUserStatement(kDb, false));
    EXPECT_TRUE(batches.contains(createCaptureProcStatement(capture, served.routine.argument)));
    EXPECT_TRUE(batches.contains(execCaptureProcStatement()));
    EXPECT_FALSE(sim.engine().isSingleUser(kDb));

    if (served.withPassword) {
        EXPECT_EQ(host.resultText(),
                  u"错误信息Repair statement not processed. Database needs to be in single user mode.\r\n"_s);
        EXPECT_EQ(sim.engine().findingCount(kDb), findingsBefore);
    } else {
        EXPECT_FALSE(host.resultText().contains(u"错误信息"_s)) << host.resultText().toStdString();
        EXPECT_LT(sim.engine().findingCount(kDb), findingsBefore);
    }
}

std::vector<Served> everyCase()
{
    std::vector<Served> cases;
    for (const Repairing& r : repairingRoutines())
        for (bool password : {true, false})
            cases.push_back({r, password});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(E2e, DemoServer, testing::ValuesIn(everyCase()),
                         [](const testing::TestParamInfo<Served>& p) {
                             return std::string(p.param.routine.name)
                                    + (p.param.withPassword ? "_withPassword" : "_withoutPassword");
                         });

}  // namespace
