// The time model: which DBCC statements take time and how much (their pages at the server's
// rate), and what a cancel while they work leaves behind. The waits are the test's own: no test
// here sleeps.

#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <future>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::testing;
using namespace std::chrono_literals;

namespace {

// Stock is single-user (the test's session is its one user), with 3,500 used data pages over two
// files and a log of 1,500; Sized says how many pages a check reads.
const QByteArray kScenario = R"({
  "databases": [
    { "name": "master", "dbid": 1,
      "files": [ { "name": "master", "groupId": 1, "size": 1536, "used": 1400 } ] },
    { "name": "Stock", "dbid": 7, "singleUser": true,
      "files": [ { "name": "Stock_Data", "groupId": 1, "size": 4000, "used": 3000 },
                 { "name": "Stock_Index", "groupId": 1, "size": 1000, "used": 500 },
                 { "name": "Stock_Log", "groupId": 0, "size": 2000, "used": 1500 } ],
      "tables": [ { "name": "Items", "rows": 4000, "pages": 120,
                    "usageCorrections": [ { "indId": 0, "counter": "USED", "from": 2, "to": 3 } ] },
                  { "name": "Bins", "rows": 400, "pages": 60 } ],
      "findings": [ { "table": "Items", "text": "Items is broken.", "repairText": "Repair: Items." },
                    { "table": "Bins", "text": "Bins is broken.", "repairText": "Repair: Bins." } ] },
    { "name": "Sized", "dbid": 8, "dbccPages": 25000,
      "files": [ { "name": "Sized_Data", "groupId": 1, "size": 100, "used": 50 } ] }
  ]
})";

const QString kResultTable =
    u"create table R (c1 varchar(100), c2 varchar(100), c3 varchar(100), c4 varchar(4000), "
    u"c5 varchar(100), c6 varchar(100), c7 varchar(100), c8 varchar(100), c9 varchar(100), "
    u"c10 varchar(100), c11 varchar(100), c12 varchar(100), c13 varchar(100), c14 varchar(100), "
    u"c15 varchar(100), c16 varchar(100))"_s;

// A waiter that answers from a script (Done once the script is used up) and notes each wait.
struct ScriptedWaiter {
    std::deque<WaitOutcome> script;
    QStringList waits;  // milliseconds asked for

    WorkWaiter waiter() {
        return [this](std::chrono::milliseconds d) {
            waits << QString::number(d.count());
            if (script.empty()) return WaitOutcome::Done;
            const WaitOutcome next = script.front();
            script.pop_front();
            return next;
        };
    }
};

struct Server {
    std::shared_ptr<Engine> engine;
    std::unique_ptr<Session> session;  // inside Stock

    explicit Server(double rate) : engine(Engine::create(Scenario::fromJson(kScenario))) {
        engine->setDbccPagesPerSecond(rate);
        session = loginAs(*engine, 51, QString(), u"Stock"_s);
    }

    // What the statements may change, in one line.
    QString state() const {
        return u"findings %1, R %2, log %3, rebuilds %4/%5"_s.arg(engine->findingCount(u"Stock"_s))
            .arg(engine->objectExists(u"Stock"_s, u"R"_s)
                     ? QString::number(engine->tableRows(u"Stock"_s, u"R"_s).size())
                     : u"-"_s)
            .arg(engine->fileSizePages(u"Stock"_s, u"Stock_Log"_s))
            .arg(engine->indexRebuilds(u"Stock"_s, u"Items"_s))
            .arg(engine->indexRebuilds(u"Stock"_s, u"Bins"_s));
    }
};

}  // namespace

// At 1,000 pages a second a page takes a millisecond, so each wait is the statement's pages.
TEST(TimeModel, EachDbccStatementWaitsForItsPages) {
    struct Case {
        QString batch;
        QString waits;  // "" = answers at once
    };
    const Case cases[] = {
        {u"dbcc checkdb(Stock) with tableresults"_s, u"3500"_s},  // the data files, not the log
        {u"dbcc checkalloc(Stock)"_s, u"3500"_s},
        {u"dbcc checkdb(Stock, repair_allow_data_loss)"_s, u"3500"_s},
        {u"dbcc checkdb(Sized)"_s, u"25000"_s},  // the database's own page count
        {u"dbcc checktable(Items)"_s, u"120"_s},
        {u"dbcc checktable(Bins, repair_rebuild)"_s, u"60"_s},
        {u"dbcc updateusage(Stock)"_s, u"3500"_s},
        {u"dbcc updateusage(Stock, Items)"_s, u"120"_s},
        {u"dbcc dbreindex('Items', '')"_s, u"120"_s},
        {u"dbcc shrinkfile(Stock_Log, 1)"_s, u"1500"_s},
        {u"SP_MSFOREACHTABLE @COMMAND1=\"DBCC DBREINDEX('?','')with NO_INFOMSGS\""_s, u"120 60"_s},
        // Answered at once: the catalogue check, and whatever fails before any work.
        {u"dbcc checkcatalog(Stock)"_s, u""_s},
        {u"dbcc checkdb(NoSuchDb)"_s, u""_s},
        {u"dbcc checktable(NoSuchTable)"_s, u""_s},
        {u"dbcc checkdb(Sized, repair_fast)"_s, u""_s},  // not single-user: 7919
        {u"dbcc shrinkfile(NoSuchFile, 1)"_s, u""_s},
        {u"select 1"_s, u""_s},
    };
    for (const double rate : {1000.0, 0.0}) {
        for (const Case& c : cases) {
            Server server(rate);
            ScriptedWaiter waiter;
            server.session->setWorkWaiter(waiter.waiter());
            const Reply reply = server.session->executeBatch(c.batch);
            EXPECT_FALSE(reply.cancelled) << qPrintable(c.batch);
            EXPECT_EQ(waiter.waits.join(u' '), rate > 0 ? c.waits : QString())
                << qPrintable(c.batch) << " at " << rate;
        }
    }
}

// A cancel stops the statement at once: nothing it did stays, nothing after it in the batch runs,
// and the reply keeps what came before it and ends with an error DONE. Statements finished before
// it stay done. The session goes on as before.
TEST(TimeModel, ACancelledStatementIsRolledBack) {
    const WaitOutcome A = WaitOutcome::Attention;
    const WaitOutcome D = WaitOutcome::Done;
    const WaitOutcome G = WaitOutcome::Gone;
    struct Case {
        const char* name;
        QString batch;
        std::deque<WaitOutcome> script;
        QString shape;
        QString state;
    };
    const QString clean = u"findings 2, R 0, log 2000, rebuilds 0/0"_s;
    const Case cases[] = {
        {"capture of a repair", u"exec P"_s, {A}, u"DONE(error)"_s, clean},
        {"the client leaves during the capture", u"exec P"_s, {G}, u"DONE(error)"_s, clean},
        {"capture of a repair of every table: the first table's repair is undone",
         u"INSERT INTO R EXEC('SP_MSFOREACHTABLE  @COMMAND1=\"dbcc checktable(''?'',"
         u"REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS \" ')"_s,
         {D, A},
         // R, empty, comes first in object-id order and takes no time.
         u"INFO(2528) INFO(2528) DONE(error)"_s,
         clean},
        {"shrink",
         u"use Stock dbcc shrinkfile(Stock_Log, 1)"_s,
         {A},
         u"ENVDB INFO(5701) DONE DONE(error)"_s,
         clean},
        {"index rebuilds: the finished one stays",
         u"SP_MSFOREACHTABLE @COMMAND1=\"DBCC DBREINDEX('?','')with NO_INFOMSGS\""_s,
         {D, A},
         u"DONEINPROC DONEINPROC DONE(error)"_s,
         u"findings 2, R 0, log 2000, rebuilds 1/0"_s},
        {"later statements do not run",
         u"print 'before'\ndbcc checkdb(Stock, repair_allow_data_loss)\nprint 'after'"_s,
         {A},
         u"INFO(0) DONE DONE(error)"_s,
         clean},
        {"uncancelled capture, for comparison",
         u"exec P"_s,
         {},
         u"INFO(2528) DONEINPROC(count 47) RETURN(0) DONEPROC"_s,
         u"findings 0, R 47, log 2000, rebuilds 0/0"_s},
    };
    for (const Case& c : cases) {
        Server server(1000);
        server.session->executeBatch(kResultTable);
        server.session->executeBatch(
            u"create proc P as insert into R exec('dbcc checkdb(Stock, repair_allow_data_loss) "
            u"with tableresults')"_s);
        ScriptedWaiter waiter;
        waiter.script = c.script;
        server.session->setWorkWaiter(waiter.waiter());
        const Reply reply = server.session->executeBatch(c.batch);
        EXPECT_EQ(reply.cancelled, !c.script.empty() && c.script.back() != D) << c.name;
        EXPECT_EQ(shape(reply), c.shape) << c.name;
        EXPECT_EQ(server.state(), c.state) << c.name;
        EXPECT_TRUE(waiter.script.empty()) << c.name << ": the statement stopped at the cancel";
        EXPECT_EQ(column(server.session->executeBatch(u"select db_name()"_s), 0),
                  QStringList{u"Stock"_s})
            << c.name;
    }
}

// A statement that waits lets the other sessions work meanwhile.
TEST(TimeModel, OtherSessionsRunWhileAStatementWaits) {
    Server server(1000);
    std::promise<void> waiting;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    server.session->setWorkWaiter([&](std::chrono::milliseconds) {
        waiting.set_value();
        released.wait();
        return WaitOutcome::Attention;
    });
    auto check = std::async(std::launch::async, [&] {
        return server.session->executeBatch(u"dbcc checkdb(Stock)"_s).cancelled;
    });
    waiting.get_future().wait();
    auto other = std::async(std::launch::async, [&] {
        auto second = loginAs(*server.engine, 52);
        return column(second->executeBatch(u"select db_name()"_s), 0);
    });
    const bool answered = other.wait_for(30s) == std::future_status::ready;
    release.set_value();
    ASSERT_TRUE(answered) << "the second session was held up by the waiting one";
    EXPECT_EQ(other.get(), QStringList{u"master"_s});
    EXPECT_TRUE(check.get());
    // The server's lock was taken back: the first session goes on.
    EXPECT_EQ(column(server.session->executeBatch(u"select db_name()"_s), 0),
              QStringList{u"Stock"_s});
}

TEST(TimeModel, ScenarioRate) {
    EXPECT_EQ(Engine::create(Scenario::fromJson(R"({"dbccPagesPerSecond": 250.5})"))
                  ->dbccPagesPerSecond(),
              250.5);
    EXPECT_EQ(Engine::create(Scenario::fromJson("{}"))->dbccPagesPerSecond(), 0);
    for (const char* bad : {R"({"dbccPagesPerSecond": -1})", R"({"dbccPagesPerSecond": "fast"})"})
        EXPECT_THROW(Scenario::fromJson(bad), std::runtime_error) << bad;
}
