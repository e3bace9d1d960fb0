// A server chosen by a name the computer knows, end to end to an embedded sqlsim: a FreeTDS
// configuration section and an ODBC data source, written by the test and pointed at sqlsim's port
// (FREETDSCONF, ODBCINI); and the command time-out every statement of the server connection gets.
// Its own executable: the environment is set before the driver manager reads any configuration.

#include "connection/ModMain.h"
#include "connection/core/DriverLocator.h"
#include "connection/core/OdbcHandles.h"
#include "connection/core/OdbcStatement.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlext.h>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

QString freeTdsLibrary() {
    for (const QString& path : tarnwick::freeTdsLibraryCandidates())
        if (QFileInfo(path).isFile()) return path;
    return {};
}

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
}

class ServerNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        const QString port = QString::number(sim.port());
        ASSERT_TRUE(writeFile(folder.filePath(u"freetds.conf"_s),
                              u"[global]\n  tds version = 7.1\n[SimSection]\n  host = 127.0.0.1\n"
                              u"  port = %1\n"_s.arg(port)));
        const QString library = freeTdsLibrary();
        ASSERT_FALSE(library.isEmpty());
        ASSERT_TRUE(writeFile(folder.filePath(u"odbc.ini"_s),
                              u"[SimSource]\nDescription = sqlsim\nDriver = %1\n"
                              u"Server = 127.0.0.1\nPort = %2\n"_s.arg(library, port)));
        qputenv("FREETDSCONF", folder.filePath(u"freetds.conf"_s).toLocal8Bit());
        qputenv("ODBCINI", folder.filePath(u"odbc.ini"_s).toLocal8Bit());
    }

    QTemporaryDir folder;
    SqlsimFixture sim{u"conn-2000.json"_s};
    RecordingToolkit toolkit;
};

}  // namespace

TEST_F(ServerNamesTest, SectionAndDataSourceReachTheServerTheyName) {
    for (const QString& name : {u"SimSection"_s, u"SimSource"_s, u"simsection"_s}) {
        ASSERT_TRUE(ModMain::ConnectServer(name, sim.password()))
            << name.toStdString() << ": " << toolkit.messageBoxes.back().text.toStdString();
        EXPECT_EQ(ModMain::ReadServerVersion(ModMain::serverConnection().Connection),
                  u"Microsoft SQL Server  2000"_s);
        sim.disconnect();
    }
    EXPECT_TRUE(toolkit.messageBoxes.empty());
}

TEST_F(ServerNamesTest, EveryStatementOfTheServerConnectionWaitsAnHour) {
    ASSERT_TRUE(sim.connect());
    tarnwick::OdbcStatement statement(ModMain::serverConnection().Connection.handles());
    SQLULEN timeout = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLGetStmtAttr(statement.handle(), SQL_ATTR_QUERY_TIMEOUT, &timeout, 0, nullptr)));
    EXPECT_EQ(timeout, 3600u);
}
