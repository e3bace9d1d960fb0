// Reading detached primary files and attaching databases from them.

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

class Attach : public ::testing::Test {
protected:
    void SetUp() override {
        engine = Engine::create(testScenario());
        session = loginAs(*engine, 100);
    }
    Reply run(const QString& batch) { return session->executeBatch(batch); }

    std::shared_ptr<Engine> engine;
    std::unique_ptr<Session> session;
};

}  // namespace

TEST_F(Attach, FileListOfAPrimaryFile) {
    const Reply reply = run(listing(QStringLiteral("C:\\Attach\\Archive_Data.MDF"), 3));
    EXPECT_EQ(shape(reply), QStringLiteral("RESULT(4x2) DONE(count 2) INFO(2528) DONE"));
    const auto sets = results(reply);
    QStringList names;
    for (const ColumnDef& c : sets[0].columns)
        names << c.name;
    EXPECT_EQ(names.join(u','), QStringLiteral("status,fileid,name,filename"));
    EXPECT_EQ(sets[0].columns[3].type, ColumnType::NChar);
    EXPECT_EQ(sets[0].columns[3].length, 260);
    const QStringList paths = column(reply, 3);
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(paths[0].size(), 260);
    EXPECT_EQ(paths[0].trimmed(), QStringLiteral("E:\\Old\\Archive_Data.MDF"));
    EXPECT_EQ(paths[1].trimmed(), QStringLiteral("E:\\Old\\Archive_Log.LDF"));
    EXPECT_EQ(column(reply, 1), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

TEST_F(Attach, RecordedDatabaseName) {
    const Reply reply = run(listing(QStringLiteral("c:\\attach\\archive_data.mdf"), 2));
    EXPECT_EQ(column(reply, 0).front(), QStringLiteral("Database name"));
    EXPECT_EQ(column(reply, 1).front(), QStringLiteral("Archive"));
}

TEST_F(Attach, ListingFailures) {
    for (const QString& path : {QStringLiteral("C:\\Attach\\Nothing.MDF"), QStringLiteral("C:\\Attach\\Gone.MDF")}) {
        const Reply reply = run(listing(path, 3));
        EXPECT_EQ(shape(reply), QStringLiteral("ERROR(5105) DONE(error)"));
        EXPECT_EQ(messageTexts(reply), QStringList{QStringLiteral("Device activation error. The physical file name '") +
                                                   path + QStringLiteral("' may be incorrect.")});
    }
    // A quote in the path breaks the statement.
    EXPECT_EQ(errors(run(listing(QStringLiteral("C:\\It's\\x.MDF"), 3))).front().left(4), QStringLiteral("105:"));
    EXPECT_EQ(shape(run(QStringLiteral("dbcc checkprimaryfile (N'C:\\Attach\\Archive_Data.MDF', 9)"))),
              QStringLiteral("ERROR(2526) DONE(error)"));
}

TEST_F(Attach, TwoFileAttachAddsTheDatabase) {
    const Reply reply = run(attachTwo(QStringLiteral("Archive"), QStringLiteral("C:\\Attach\\Archive_Data.MDF"),
                                      QStringLiteral("C:\\Attach\\Archive_Log.LDF")));
    EXPECT_EQ(shape(reply), QStringLiteral("RETURN(0) DONEPROC"));
    EXPECT_EQ(engine->databaseNames().last(), QStringLiteral("Archive"));
    EXPECT_EQ(engine->databaseId(QStringLiteral("Archive")), 12);
    EXPECT_EQ(engine->filesOf(QStringLiteral("Archive")),
              (QStringList{QStringLiteral("C:\\Attach\\Archive_Data.MDF"), QStringLiteral("C:\\Attach\\Archive_Log.LDF")}));
    EXPECT_TRUE(column(run(QStringLiteral("select Name from sysdatabases where Dbid>6 order by Name")), 0)
                    .contains(QStringLiteral("Archive")));
    EXPECT_EQ(shape(run(QStringLiteral("USE [Archive]"))), QStringLiteral("ENVDB INFO(5701) DONE"));
    EXPECT_EQ(column(run(QStringLiteral("Select Name From Archive.dbo.sysfiles Where GroupID=0")), 0).front().trimmed(),
              QStringLiteral("Archive_Log"));
    // The files are in use now.
    EXPECT_EQ(shape(run(listing(QStringLiteral("C:\\Attach\\Archive_Data.MDF"), 3))),
              QStringLiteral("ERROR(5105) DONE(error)"));
}

TEST_F(Attach, SingleFileAttachBuildsANewLog) {
    const Reply reply = run(attachOne(QStringLiteral("孤单"), QStringLiteral("C:\\Attach\\Lonely.MDF")));
    EXPECT_EQ(shape(reply), QStringLiteral("INFO(5105) INFO(5182) RETURN(0) DONEPROC"));
    EXPECT_EQ(messageTexts(reply),
              (QStringList{QStringLiteral("Device activation error. The physical file name 'E:\\Old\\Lonely_log.LDF' may "
                                          "be incorrect."),
                           QStringLiteral("New log file 'C:\\Attach\\孤单_log.LDF' was created.")}));
    EXPECT_EQ(engine->filesOf(QStringLiteral("孤单")),
              (QStringList{QStringLiteral("C:\\Attach\\Lonely.MDF"), QStringLiteral("C:\\Attach\\孤单_log.LDF")}));
    EXPECT_EQ(engine->databaseId(QStringLiteral("孤单")), 12);
}

TEST_F(Attach, AttachFailures) {
    struct Case {
        const char* what;
        QString statement;
        QStringList errors;
    };
    const std::vector<Case> cases = {
        {"existing name",
         attachTwo(QStringLiteral("sales"), QStringLiteral("C:\\Attach\\Archive_Data.MDF"),
                   QStringLiteral("C:\\Attach\\Archive_Log.LDF")),
         {QStringLiteral("1801: Database 'sales' already exists.")}},
        {"missing log file",
         attachTwo(QStringLiteral("Lonely"), QStringLiteral("C:\\Attach\\Lonely.MDF"),
                   QStringLiteral("C:\\Attach\\Lonely_log.LDF")),
         {QStringLiteral("5105: Device activation error. The physical file name 'C:\\Attach\\Lonely_log.LDF' may be "
                         "incorrect."),
          QStringLiteral("1813: Could not open new database 'Lonely'. CREATE DATABASE is aborted.")}},
        {"empty second path",
         attachTwo(QStringLiteral("Lonely"), QStringLiteral("C:\\Attach\\Lonely.MDF"), QString()),
         {QStringLiteral("5105: Device activation error. The physical file name '' may be incorrect."),
          QStringLiteral("1813: Could not open new database 'Lonely'. CREATE DATABASE is aborted.")}},
        {"renamed primary file",
         attachOne(QStringLiteral("Gone"), QStringLiteral("C:\\Attach\\Gone.MDF")),
         {QStringLiteral("5105: Device activation error. The physical file name 'C:\\Attach\\Gone.MDF' may be "
                         "incorrect."),
          QStringLiteral("1813: Could not open new database 'Gone'. CREATE DATABASE is aborted.")}},
        {"unknown primary file",
         attachOne(QStringLiteral("X"), QStringLiteral("C:\\Nowhere\\X.MDF")),
         {QStringLiteral("5105: Device activation error. The physical file name 'C:\\Nowhere\\X.MDF' may be "
                         "incorrect."),
          QStringLiteral("1813: Could not open new database 'X'. CREATE DATABASE is aborted.")}},
    };
    const QStringList before = engine->databaseNames();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reply reply = run(c.statement);
        EXPECT_EQ(errors(reply), c.errors);
        EXPECT_EQ(shape(reply).endsWith(QStringLiteral("DONEINPROC(error) RETURN(1) DONEPROC(error)")), true);
    }
    EXPECT_EQ(engine->databaseNames(), before);
    // A quote in the name breaks the statement before anything runs.
    EXPECT_EQ(errors(run(attachOne(QStringLiteral("O'Neil"), QStringLiteral("C:\\Attach\\Lonely.MDF")))).size(), 2);
    EXPECT_EQ(engine->databaseNames(), before);
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
