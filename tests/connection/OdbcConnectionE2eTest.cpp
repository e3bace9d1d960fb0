// Batches, result sets, database changes and failures through unixODBC and FreeTDS to sqlsim.

#include "connection/DbError.h"
#include "connection/ModMain.h"
#include "connection/RecordSet.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::DbError;
using tarnwick::OdbcConnection;
using tarnwick::RecordSet;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

namespace {

const QString salesDb = u"销售数据"_s;

class OdbcConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.connect());
        sim.clearJournal();
    }
    OdbcConnection& connection() { return ModMain::serverConnection().Connection; }

    // The description of the DbError that running f raises; "" when it raises none.
    template <typename F>
    static QString errorOf(F&& f) {
        try {
            f();
        } catch (const DbError& error) {
            return error.description();
        }
        return {};
    }

    RecordingToolkit toolkit;
    SqlsimFixture sim{u"conn-2000.json"_s};
};

TEST_F(OdbcConnectionTest, TheFirstErrorOfAnyStatementIsRaised) {
    struct Case {
        const char* name;
        QString batch;
        QString error;  // "" = no error
    };
    const Case cases[] = {
        {"second statement fails", u"select 1\nselect * from nosuchtable"_s,
         u"Invalid object name 'nosuchtable'."_s},
        {"after a database change", u"use pubs\nselect * from nosuchtable"_s,
         u"Invalid object name 'nosuchtable'."_s},
        {"after a message", u"print 'hello'\nselect * from missing2"_s,
         u"Invalid object name 'missing2'."_s},
        {"first of two errors", u"select * from first1\nselect * from second2"_s,
         u"Invalid object name 'first1'."_s},
        {"first statement fails", u"select * from nosuchtable\nselect 1"_s,
         u"Invalid object name 'nosuchtable'."_s},
        {"informational only", u"print 'one'\nprint 'two'"_s, u""_s},
        {"rows then messages", u"select name from sysdatabases\nprint 'done'"_s, u""_s},
        {"database change only", u"use pubs\nuse master"_s, u""_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf([&] { connection().execute(c.batch); }), c.error) << c.name;
        // The connection stays usable and every batch arrived whole.
        EXPECT_EQ(sim.journalTexts().last(), c.batch) << c.name;
        EXPECT_EQ(errorOf([&] { connection().execute(u"select 2"_s); }), u""_s) << c.name;
        connection().setDefaultDatabase(u"master"_s);
    }
}

TEST_F(OdbcConnectionTest, LaterStatementsOfAFailingBatchStillRun) {
    // A statement-level error lets the server go on with the batch; the client reads it to its end.
    EXPECT_EQ(errorOf([&] {
                  connection().execute(u"select 1/0\ncreate table keepme (a int)\nselect 1/0"_s);
              }),
              u"Divide by zero error encountered."_s);
    EXPECT_TRUE(sim.engine().objectExists(u"master"_s, u"keepme"_s));
    EXPECT_EQ(sim.journalTexts().size(), 1);
}

TEST_F(OdbcConnectionTest, SetDefaultDatabaseSendsUseAndRaisesTheServersText) {
    connection().setDefaultDatabase(salesDb);
    connection().setDefaultDatabase(u"Sales]Archive"_s);
    EXPECT_EQ(
        errorOf([&] { connection().setDefaultDatabase(u"nodb"_s); }),
        u"Could not locate entry in sysdatabases for database 'nodb'. No entry found with that "
        "name. Make sure that the name is entered correctly."_s);
    const auto journal = sim.server().journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].text, u"USE [销售数据]"_s);
    EXPECT_EQ(journal[1].text, u"USE [Sales]]Archive]"_s);
    EXPECT_EQ(journal[1].db, salesDb);
    EXPECT_EQ(journal[2].text, u"USE [nodb]"_s);
    EXPECT_EQ(journal[2].db, u"Sales]Archive"_s);
    // A failed change leaves the database as it was.
    RecordSet current;
    current.open(u"select db_name()"_s, connection());
    EXPECT_EQ(current.field(0).toString(), u"Sales]Archive"_s);
}

TEST_F(OdbcConnectionTest, ValuesComeBackAsTheServerSentThem) {
    const QString longText(4000, u'字');
    connection().execute(
        u"create table t (id int, s smallint, n nvarchar(4000), f nchar(6), v varchar(20))"_s);
    connection().execute(u"insert into t values (1, 7, N'"_s + longText + u"', N'ab', 'plain')"_s);
    connection().execute(u"insert into t values (2, null, null, null, null)"_s);
    connection().execute(u"insert into t values (3, -5, N'', N'中文', '')"_s);
    RecordSet rows;
    rows.open(u"select id, s, n, f, v from t order by id"_s, connection());
    ASSERT_EQ(rows.recordCount(), 3);
    EXPECT_FALSE(rows.bof());
    EXPECT_EQ(rows.field(0).typeId(), QMetaType::Int);
    EXPECT_EQ(rows.field(0).toInt(), 1);
    EXPECT_EQ(rows.field(1).toInt(), 7);
    EXPECT_EQ(rows.field(2).toString(), longText);
    EXPECT_EQ(rows.field(3).toString(), u"ab    "_s);  // nchar keeps its padding
    EXPECT_EQ(rows.field(4).toString(), u"plain"_s);
    rows.moveNext();
    for (int column = 1; column < 5; ++column) EXPECT_TRUE(rows.field(column).isNull()) << column;
    rows.moveNext();
    EXPECT_EQ(rows.field(1).toInt(), -5);
    EXPECT_FALSE(rows.field(2).isNull());
    EXPECT_EQ(rows.field(2).toString(), u""_s);
    EXPECT_EQ(rows.field(3).toString(), u"中文    "_s);
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
    rows.moveFirst();
    EXPECT_EQ(rows.field(0).toInt(), 1);
}

TEST_F(OdbcConnectionTest, EveryCursorIsReadAsAPlainBatch) {
    struct Case {
        RecordSet::CursorType cursor;
        RecordSet::LockType lock;
    };
    for (const Case& c : {Case{RecordSet::adOpenStatic, RecordSet::adLockOptimistic},
                          Case{RecordSet::adOpenDynamic, RecordSet::adLockReadOnly}}) {
        sim.clearJournal();
        RecordSet names;
        names.open(u"select name from sysdatabases where dbid<3 order by name"_s, connection(),
                   c.cursor, c.lock);
        EXPECT_EQ(names.recordCount(), 2);
        EXPECT_EQ(names.getString(u"\r"_s, u"\r"_s, u""_s), u"master\rtempdb\r"_s);
        // No server cursor: the journal holds the query text itself, not an RPC.
        EXPECT_EQ(sim.journalTexts(),
                  QStringList{u"select name from sysdatabases where dbid<3 order by name"_s});
    }
}

TEST_F(OdbcConnectionTest, ARecordSetHoldsTheFirstResultSetOfItsBatch) {
    RecordSet set;
    set.open(u"print 'first a message'\nselect 3\nselect 4"_s, connection());
    EXPECT_EQ(set.recordCount(), 1);
    EXPECT_EQ(set.field(0).toInt(), 3);
    // The results behind it were read too: the connection takes the next batch at once.
    connection().execute(u"select 5"_s);
    // A later failing statement of the batch is raised.
    EXPECT_EQ(errorOf([&] { set.open(u"select 6\nselect 1/0"_s, connection()); }),
              u"Divide by zero error encountered."_s);
    EXPECT_FALSE(set.isOpen());
}

TEST_F(OdbcConnectionTest, ASetReadAsUsedReadsItsRowsOnTheWay) {
    const auto openAsUsed = [&](RecordSet& set, const QString& query) {
        set.open(query, connection(), RecordSet::adOpenStatic, RecordSet::adLockOptimistic,
                 RecordSet::Reading::AsUsed);
    };
    const QString names = u"select name from sysdatabases where dbid<3 order by name"_s;
    RecordSet set;
    openAsUsed(set, names);
    EXPECT_FALSE(set.eof());
    EXPECT_FALSE(set.bof());
    EXPECT_EQ(set.recordCount(), -1);
    EXPECT_EQ(set.field(0).toString(), u"master"_s);
    set.moveFirst();  // still on the first row
    set.moveNext();
    EXPECT_THROW(set.moveFirst(), tarnwick::DbError);
    EXPECT_EQ(set.getString(u"\r"_s, u"\r"_s, u""_s), u"tempdb\r"_s);
    EXPECT_TRUE(set.eof());
    EXPECT_FALSE(set.bof());
    connection().execute(u"select 5"_s);  // the batch was read to its end

    // Closed before its end, the set leaves the connection free as well.
    openAsUsed(set, names);
    set.close();
    connection().execute(u"select 5"_s);

    RecordSet none;
    openAsUsed(none, u"select Name from sysdatabases where Dbid>100"_s);
    EXPECT_TRUE(none.eof());
    EXPECT_TRUE(none.bof());

    // A failure before the first row is raised by the open, a later one by what reaches it.
    EXPECT_EQ(errorOf([&] { openAsUsed(set, u"select * from nosuchtable"_s); }),
              u"Invalid object name 'nosuchtable'."_s);
    EXPECT_FALSE(set.isOpen());
    openAsUsed(set, u"select 6\nselect 1/0"_s);
    EXPECT_EQ(set.field(0).toInt(), 6);
    EXPECT_EQ(errorOf([&] { set.getString(u"\r"_s, u"\r"_s, u""_s); }),
              u"Divide by zero error encountered."_s);
    connection().execute(u"select 5"_s);
}

TEST_F(OdbcConnectionTest, AnEmptyResultHasBothFlags) {
    RecordSet none;
    none.open(u"select Name from sysdatabases where Dbid>100"_s, connection());
    EXPECT_TRUE(none.eof());
    EXPECT_TRUE(none.bof());
    EXPECT_EQ(none.recordCount(), 0);
    EXPECT_EQ(none.getString(u"\r"_s, u"\r"_s, u""_s), u""_s);
}

TEST_F(OdbcConnectionTest, AFailingQueryLeavesTheSetClosed) {
    RecordSet set;
    EXPECT_EQ(errorOf([&] { set.open(u"select * from nosuchtable"_s, connection()); }),
              u"Invalid object name 'nosuchtable'."_s);
    EXPECT_FALSE(set.isOpen());
    // The same object opens again afterwards.
    set.open(u"select 5"_s, connection());
    EXPECT_EQ(set.field(0).toInt(), 5);
}

TEST_F(OdbcConnectionTest, UseOfAClosedConnectionRaises) {
    connection().close();
    EXPECT_NE(errorOf([&] { connection().execute(u"select 1"_s); }), u""_s);
    EXPECT_NE(errorOf([&] { connection().setDefaultDatabase(u"master"_s); }), u""_s);
    EXPECT_NE(errorOf([&] { connection().close(); }), u""_s);
    RecordSet set;
    EXPECT_NE(errorOf([&] { set.open(u"select 1"_s, connection()); }), u""_s);
    EXPECT_EQ(sim.journalTexts(), QStringList());
}

TEST_F(OdbcConnectionTest, OpeningAnOpenConnectionRaises) {
    EXPECT_NE(
        errorOf([&] {
            connection().open(ModMain::buildConnectionString(sim.serverName(), sim.password()));
        }),
        u""_s);
    EXPECT_TRUE(connection().isOpen());
}

}  // namespace
