// Detached primary files laid out on the local disk and attached from there. Primary files known by
// their record only are in the attach transcripts.

#include "tests/engine/EngineTestSupport.h"

#include "sqlsim/engine/PrimaryFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

QString listing(const QString& path, int option) {
    return QStringLiteral("dbcc checkprimaryfile (N'") + path + QStringLiteral("', ") + QString::number(option) +
           u')';
}

QString attachTwo(const QString& name, const QString& first, const QString& second) {
    return QStringLiteral("EXEC sp_attach_db @dbname = N'") + name + QStringLiteral("',@filename1 = N'") + first +
           QStringLiteral("',@filename2 = N'") + second + u'\'';
}

QString attachOne(const QString& name, const QString& path) {
    return QStringLiteral("EXEC sp_attach_single_file_db @dbname = '") + name + QStringLiteral("',@physname = '") +
           path + u'\'';
}

// Detached files laid out on the local disk: the server reads each primary file's record from the
// file itself and looks for the other files on the disk.
class AttachOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Scenario s = testScenario();
        DetachedDatabase twoData;
        twoData.path = QStringLiteral("C:\\Attach\\Twin.MDF");
        twoData.databaseName = QStringLiteral("Twin");
        twoData.files = {{1, QStringLiteral("Twin"), QStringLiteral("E:\\Old\\Twin.MDF"), 1, true},
                         {2, QStringLiteral("Twin_log"), QStringLiteral("E:\\Old\\Twin_log.LDF"), 0, true},
                         {3, QStringLiteral("Twin_2"), QStringLiteral("E:\\Old\\Twin_2.NDF"), 1, false}};
        s.detached.push_back(twoData);
        layOutDetachedFiles(s, dir.path());
        engine = Engine::create(s);
        session = loginAs(*engine, 100);
    }
    Reply run(const QString& batch) { return session->executeBatch(batch); }
    QString at(const QString& name) const { return dir.path() + u'/' + name; }

    QTemporaryDir dir;
    std::shared_ptr<Engine> engine;
    std::unique_ptr<Session> session;
};

}  // namespace

TEST_F(AttachOnDisk, LaysOutPrimaryFilesWithTheirRecordAndTheFilesThatExist) {
    for (const char* name : {"Archive_Data.MDF", "Archive_Log.LDF", "Lonely.MDF", "Twin.MDF", "Twin_log.LDF"})
        EXPECT_TRUE(QFile::exists(at(QString::fromUtf8(name)))) << name;
    for (const char* name : {"Lonely_log.LDF", "Gone.MDF", "Twin_2.NDF"})
        EXPECT_FALSE(QFile::exists(at(QString::fromUtf8(name)))) << name;
    const auto record = readPrimaryFile(at(QStringLiteral("Archive_Data.MDF")));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->databaseName, QStringLiteral("Archive"));
    EXPECT_EQ(record->files[1].filename, at(QStringLiteral("Archive_Log.LDF")));
    EXPECT_EQ(record->tables.front().rowCount, 500);
    EXPECT_FALSE(readPrimaryFile(at(QStringLiteral("Archive_Log.LDF"))).has_value());
}

TEST_F(AttachOnDisk, CheckPrimaryFileReadsTheFile) {
    // What the file holds counts, not what the scenario said.
    DetachedDatabase rewritten = *readPrimaryFile(at(QStringLiteral("Lonely.MDF")));
    rewritten.databaseName = QStringLiteral("Rewritten");
    writePrimaryFile(at(QStringLiteral("Lonely.MDF")), rewritten);
    EXPECT_EQ(column(run(listing(at(QStringLiteral("Lonely.MDF")), 2)), 1).front(), QStringLiteral("Rewritten"));

    const struct {
        const char* file;
        QString error;
    } failures[] = {
        {"Archive_Log.LDF", QStringLiteral("5171: ") + at(QStringLiteral("Archive_Log.LDF")) +
                                QStringLiteral(" is not a primary database file.")},
        {"Gone.MDF", QStringLiteral("5105: Device activation error. The physical file name '") +
                         at(QStringLiteral("Gone.MDF")) + QStringLiteral("' may be incorrect.")},
    };
    for (const auto& f : failures)
        EXPECT_EQ(errors(run(listing(at(QString::fromUtf8(f.file)), 3))), QStringList{f.error}) << f.file;
}

TEST_F(AttachOnDisk, SingleFileNeedsTheOtherDataFilesWhereTheyAreRecorded) {
    const QString statement = attachOne(QStringLiteral("Twin"), at(QStringLiteral("Twin.MDF")));
    EXPECT_EQ(errors(run(statement)),
              (QStringList{QStringLiteral("5105: Device activation error. The physical file name '") +
                               at(QStringLiteral("Twin_2.NDF")) + QStringLiteral("' may be incorrect."),
                           QStringLiteral("1813: Could not open new database 'Twin'. CREATE DATABASE is aborted.")}));
    QFile secondary(at(QStringLiteral("Twin_2.NDF")));
    ASSERT_TRUE(secondary.open(QIODevice::WriteOnly));
    secondary.close();
    // The recorded log lies where it is recorded: it is kept, nothing is rebuilt.
    EXPECT_EQ(shape(run(statement)), QStringLiteral("RETURN(0) DONEPROC"));
    EXPECT_EQ(engine->filesOf(QStringLiteral("Twin")),
              (QStringList{at(QStringLiteral("Twin.MDF")), at(QStringLiteral("Twin_log.LDF")),
                           at(QStringLiteral("Twin_2.NDF"))}));
}

TEST_F(AttachOnDisk, FilesOfAnAttachedDatabaseAreInUse) {
    const QString data = at(QStringLiteral("Archive_Data.MDF"));
    const QString log = at(QStringLiteral("Archive_Log.LDF"));
    EXPECT_EQ(shape(run(attachTwo(QStringLiteral("Archive"), data, log))), QStringLiteral("RETURN(0) DONEPROC"));
    EXPECT_EQ(shape(run(QStringLiteral("DBCC CHECKDB('Archive')"))).right(15), QStringLiteral("INFO(2528) DONE"));
    EXPECT_EQ(errors(run(attachTwo(QStringLiteral("Again"), data, log))),
              (QStringList{QStringLiteral("5105: Device activation error. The physical file name '") + data +
                               QStringLiteral("' may be incorrect."),
                           QStringLiteral("1813: Could not open new database 'Again'. CREATE DATABASE is aborted.")}));
    EXPECT_EQ(errors(run(listing(data, 3))).size(), 1);
}
