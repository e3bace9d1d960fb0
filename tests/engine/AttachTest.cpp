// Detached primary files laid out on the local disk and attached from there. Primary files known by
// their record only are in the attach transcripts.

#include "tests/engine/EngineTestSupport.h"

#include "sqlsim/engine/PrimaryFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

QString listing(const QString& path, int option) {
    return u"dbcc checkprimaryfile (N'"_s + path + u"', "_s + QString::number(option) + u')';
}

QString attachTwo(const QString& name, const QString& first, const QString& second) {
    return u"EXEC sp_attach_db @dbname = N'"_s + name + u"',@filename1 = N'"_s + first +
           u"',@filename2 = N'"_s + second + u'\'';
}

QString attachOne(const QString& name, const QString& path) {
    return u"EXEC sp_attach_single_file_db @dbname = '"_s + name + u"',@physname = '"_s + path +
           u'\'';
}

// Detached files laid out on the local disk: the server reads each primary file's record from the
// file itself and looks for the other files on the disk.
class AttachOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Scenario s = testScenario();
        DetachedDatabase twoData;
        twoData.path = u"C:\\Attach\\Twin.MDF"_s;
        twoData.databaseName = u"Twin"_s;
        twoData.files = {{1, u"Twin"_s, u"E:\\Old\\Twin.MDF"_s, 1, true},
                         {2, u"Twin_log"_s, u"E:\\Old\\Twin_log.LDF"_s, 0, true},
                         {3, u"Twin_2"_s, u"E:\\Old\\Twin_2.NDF"_s, 1, false}};
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
    for (const char* name :
         {"Archive_Data.MDF", "Archive_Log.LDF", "Lonely.MDF", "Twin.MDF", "Twin_log.LDF"})
        EXPECT_TRUE(QFile::exists(at(QString::fromUtf8(name)))) << name;
    for (const char* name : {"Lonely_log.LDF", "Gone.MDF", "Twin_2.NDF"})
        EXPECT_FALSE(QFile::exists(at(QString::fromUtf8(name)))) << name;
    const auto record = readPrimaryFile(at(u"Archive_Data.MDF"_s));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->databaseName, u"Archive"_s);
    EXPECT_EQ(record->files[1].filename, at(u"Archive_Log.LDF"_s));
    EXPECT_EQ(record->tables.front().rowCount, 500);
    EXPECT_FALSE(readPrimaryFile(at(u"Archive_Log.LDF"_s)).has_value());
}

TEST_F(AttachOnDisk, CheckPrimaryFileReadsTheFile) {
    // What the file holds counts, not what the scenario said.
    DetachedDatabase rewritten = *readPrimaryFile(at(u"Lonely.MDF"_s));
    rewritten.databaseName = u"Rewritten"_s;
    writePrimaryFile(at(u"Lonely.MDF"_s), rewritten);
    EXPECT_EQ(column(run(listing(at(u"Lonely.MDF"_s), 2)), 1).front(), u"Rewritten"_s);

    const struct {
        const char* file;
        QString error;
    } failures[] = {
        {"Archive_Log.LDF",
         u"5171: "_s + at(u"Archive_Log.LDF"_s) + u" is not a primary database file."_s},
        {"Gone.MDF", u"5105: Device activation error. The physical file name '"_s +
                         at(u"Gone.MDF"_s) + u"' may be incorrect."_s},
    };
    for (const auto& f : failures)
        EXPECT_EQ(errors(run(listing(at(QString::fromUtf8(f.file)), 3))), QStringList{f.error})
            << f.file;
}

TEST_F(AttachOnDisk, SingleFileNeedsTheOtherDataFilesWhereTheyAreRecorded) {
    const QString statement = attachOne(u"Twin"_s, at(u"Twin.MDF"_s));
    EXPECT_EQ(
        errors(run(statement)),
        (QStringList{u"5105: Device activation error. The physical file name '"_s +
                         at(u"Twin_2.NDF"_s) + u"' may be incorrect."_s,
                     u"1813: Could not open new database 'Twin'. CREATE DATABASE is aborted."_s}));
    QFile secondary(at(u"Twin_2.NDF"_s));
    ASSERT_TRUE(secondary.open(QIODevice::WriteOnly));
    secondary.close();
    // The recorded log lies where it is recorded: it is kept, nothing is rebuilt.
    EXPECT_EQ(shape(run(statement)), u"RETURN(0) DONEPROC"_s);
    EXPECT_EQ(engine->filesOf(u"Twin"_s),
              (QStringList{at(u"Twin.MDF"_s), at(u"Twin_log.LDF"_s), at(u"Twin_2.NDF"_s)}));
}

TEST_F(AttachOnDisk, FilesOfAnAttachedDatabaseAreInUse) {
    const QString data = at(u"Archive_Data.MDF"_s);
    const QString log = at(u"Archive_Log.LDF"_s);
    EXPECT_EQ(shape(run(attachTwo(u"Archive"_s, data, log))), u"RETURN(0) DONEPROC"_s);
    EXPECT_EQ(shape(run(u"DBCC CHECKDB('Archive')"_s)).right(15), u"INFO(2528) DONE"_s);
    EXPECT_EQ(
        errors(run(attachTwo(u"Again"_s, data, log))),
        (QStringList{u"5105: Device activation error. The physical file name '"_s + data +
                         u"' may be incorrect."_s,
                     u"1813: Could not open new database 'Again'. CREATE DATABASE is aborted."_s}));
    EXPECT_EQ(errors(run(listing(data, 3))).size(), 1);
}
