// The repair history file without a server: where it lies, what a line holds and reads back as,
// who may read it, and what happens when it cannot be written.

#include "operations/RepairHistory.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/StateHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
namespace history = tarnwick::history;
using tarnwick::test::StateHome;

TEST(RepairHistoryTest, FileLiesUnderTheStateHomeOrItsDefault) {
    const QString defaultPath = QDir::homePath() + u"/.local/state/tarnwick/history.jsonl"_s;
    const struct {
        QByteArray stateHome;
        QString path;
    } rows[] = {
        {"/srv/state", u"/srv/state/tarnwick/history.jsonl"_s},
        {"", defaultPath},
        {"relative/state", defaultPath},  // a relative base directory is ignored
    };
    for (const auto& row : rows) {
        const StateHome home(row.stateHome);
        EXPECT_EQ(history::filePath(), row.path) << row.stateHome.constData();
    }
}

TEST(RepairHistoryTest, LinesAreAppendedReadBackWholeAndReadableByTheOwnerOnly) {
    QTemporaryDir dir;
    const StateHome home(dir.path().toUtf8());
    EXPECT_TRUE(history::readAll().isEmpty());

    history::Entry repair{QDateTime(QDate(2026, 12, 6), QTime(3, 4, 5), Qt::UTC),
                          u"db1,1433"_s,
                          u"销售 '数据'"_s,
                          u"REPDB"_s,
                          u"connection"_s,
                          u"ok"_s,
                          false,
                          u"DBCC results for '销售'.\r错误信息x\r\n"_s};
    history::Entry attach = repair;
    attach.operation = u"ATTACH"_s;
    attach.switchMode.clear();
    attach.outcome = u"failed"_s;
    attach.singleUserAfter.reset();
    ASSERT_EQ(history::append(repair), QString());
    // A line that is not an entry (a crash half-way through a write) does not hide the others.
    QFile file(history::filePath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("{\"time\": \"2026-12-0");
    file.write("\n");
    file.close();
    ASSERT_EQ(history::append(attach), QString());

    const QList<history::Entry> entries = history::readAll();
    ASSERT_EQ(entries.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const history::Entry& written = i == 0 ? repair : attach;
        EXPECT_EQ(entries[i].time, written.time);
        EXPECT_EQ(entries[i].server, written.server);
        EXPECT_EQ(entries[i].database, written.database);
        EXPECT_EQ(entries[i].operation, written.operation);
        EXPECT_EQ(entries[i].switchMode, written.switchMode);
        EXPECT_EQ(entries[i].outcome, written.outcome);
        EXPECT_EQ(entries[i].singleUserAfter, written.singleUserAfter);
        EXPECT_EQ(entries[i].result, written.result);
    }
    EXPECT_EQ(QFile::permissions(history::filePath()),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
}

TEST(RepairHistoryTest, AFileThatCannotBeWrittenIsReportedWithItsPath) {
    QTemporaryDir dir;
    // The state home is a file: the folder for the history cannot be made.
    QFile blocker(dir.path() + u"/state"_s);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const StateHome home(blocker.fileName().toUtf8());
    const QString error = history::append({});
    EXPECT_TRUE(error.contains(history::filePath())) << error.toStdString();
}
