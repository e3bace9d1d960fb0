// The server stopping while a long DBCC runs, end to end (FreeTDS to an embedded sqlsim). Hostile
// database and table names and 4000-character messages are in tests/data/runs/hostile-names.txt.

#include "connection/ModMain.h"
#include "operations/Operations.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

tarnwick::OdbcConnection& connection() {
    return ModMain::serverConnection().Connection;
}

const QString kScenario =
    uR"({"databases": [{"name": "master", "dbid": 1},
        {"name": "Sales", "dbid": 7, "tables": [{"name": "Orders", "rows": 5}]}]})"_s;

TEST(HostileServerStopTest, AServerStoppedDuringALongCheckEndsInAReportAndAReconnectWorks) {
    RecordingToolkit toolkit;
    {
        SqlsimFixture sim(kScenario);
        ASSERT_TRUE(sim.connect());
        sim.delayOn(SqlsimFixture::literal(u"exec spDBCCTABLE"_s), std::chrono::milliseconds(1500));
        std::thread stopper([&sim] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sim.server().stop();
        });
        RecordingHost host;
        ModMain::CheckDatabase(host, u"Sales"_s);
        stopper.join();
        EXPECT_EQ(host.resultText(), u"错误信息Unexpected EOF from the server\r\n"_s);
        EXPECT_FALSE(host.panelVisible());
        EXPECT_TRUE(toolkit.messageBoxes.empty());
    }
    // The reconnect command closes the dead connection and logs in again.
    SqlsimFixture restarted(kScenario);
    EXPECT_FALSE(connection().isOpen());
    ASSERT_TRUE(restarted.connect());
    RecordingHost host;
    ModMain::CheckDatabase(host, u"Sales"_s);
    EXPECT_FALSE(host.resultText().contains(u"错误信息"_s)) << host.resultText().toStdString();
    EXPECT_FALSE(host.panelVisible());
}

}  // namespace
