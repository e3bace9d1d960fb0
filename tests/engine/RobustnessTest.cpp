// Whatever arrives, the engine answers with the server's errors and never falls over; RPCs
// reach the same statements as batches.

#include "tests/engine/EngineTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::testing;

namespace {

// Every batch of the transcripts: the statements the program sends, and many more.
QStringList transcriptBatches() {
    QStringList batches;
    const QDir dir(QStringLiteral(TARNWICK_TEST_DATA "/transcripts"));
    for (const QString& name : dir.entryList({u"*.txt"_s})) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
            if (line.startsWith(u"> ")) batches << line.mid(2);
    }
    return batches;
}

const QStringList kPieces = {
    u"select"_s, u"("_s,    u")"_s,      u"'"_s,           u"''"_s,
    u"\""_s,     u"["_s,    u"]"_s,      u","_s,           u"exec"_s,
    u"dbcc"_s,   u"with"_s, u"?"_s,      u"@"_s,           u"@@"_s,
    u"-"_s,      u"N'"_s,   u".."_s,     u"/*"_s,          u"--"_s,
    u"\n"_s,     u"销售"_s, u"create"_s, u"insert into"_s, u"9999999999999999999999"_s,
    u"left("_s,  u"drop"_s, u";"_s,
};

QString mutate(std::mt19937& random, QString text) {
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
        const int at = text.isEmpty() ? 0 : static_cast<int>(random() % (text.size() + 1));
        switch (random() % 4) {
            case 0:
                text.insert(at, kPieces[static_cast<int>(random() % kPieces.size())]);
                break;
            case 1:
                text.remove(at, 1 + static_cast<int>(random() % 6));
                break;
            case 2:
                text = text.left(at);
                break;
            default:
                text.insert(at, QChar(static_cast<char16_t>(1 + random() % 0x7f)));
                break;
        }
    }
    return text;
}

}  // namespace

TEST(Robustness, MalformedBatchesNeverCrash) {
    const QStringList seeds = transcriptBatches();
    ASSERT_GT(seeds.size(), 100);
    std::mt19937 random(20260105);
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 130);
    auto other = loginAs(*engine, 131);
    for (int i = 0; i < 3000; ++i) {
        QString batch = mutate(random, seeds[static_cast<int>(random() % seeds.size())]);
        if (i % 7 == 0) {
            batch.clear();
            for (int k = 0; k < 6; ++k)
                batch += kPieces[static_cast<int>(random() % kPieces.size())] + u' ';
        }
        Session& who = (i % 3 == 0) ? *other : *session;
        const Reply reply = who.executeBatch(batch);
        ASSERT_FALSE(reply.tokens.empty()) << batch.toStdString();
        ASSERT_TRUE(std::holds_alternative<Done>(reply.tokens.back())) << batch.toStdString();
        for (const Token& t : reply.tokens) {
            if (const auto* m = std::get_if<Message>(&t)) {
                ASSERT_FALSE(m->text.isEmpty() && m->number != 0) << batch.toStdString();
            }
        }
    }
    // The server still answers properly afterwards.
    EXPECT_EQ(shape(loginAs(*engine, 132)->executeBatch(u"select @@version"_s)),
              u"RESULT(1x1) DONE(count 1)"_s);
}

TEST(Robustness, ConcurrentSessionsShareOneState) {
    auto engine = Engine::create(testScenario());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&engine, t]() {
            auto session = loginAs(*engine, 140 + t);
            for (int i = 0; i < 50; ++i) {
                session->executeBatch(u"USE [Sales]"_s);
                session->executeBatch(
                    u"if Exists( Select * From sysObjects where name='T%1' ) Drop "
                    u"Table T%1"_s.arg(t));
                session->executeBatch(u"create table T%1(a int)"_s.arg(t));
                session->executeBatch(u"USE [master]"_s);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_TRUE(engine->objectExists(u"Sales"_s, u"T%1"_s.arg(t)));
    EXPECT_TRUE(engine->sessionsIn(u"Sales"_s).isEmpty());
}

TEST(Robustness, RemoteProcedureCalls) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 150);
    const auto call = [](int procId, std::vector<RpcParam> params, const QString& name = {}) {
        RpcCall c;
        c.procId = procId;
        c.procName = name;
        c.params = std::move(params);
        return c;
    };
    const RpcParam handleOut{QString(), Cell(), true};
    const RpcParam noParams{QString(), QString(), false};
    const auto stmt = [](const char* text) {
        return RpcParam{QString(), QString::fromUtf8(text), false};
    };
    const auto handle = [](qint64 h) { return RpcParam{QString(), Cell(h), false}; };
    const auto handleReturned = [](const Reply& r) {
        for (const Token& t : r.tokens)
            if (const auto* v = std::get_if<ReturnValue>(&t)) return v->value.toLongLong();
        return qint64(-1);
    };

    struct Case {
        RpcCall call;
        const char* shape;
        qint64 handle;  // returned in the first RETURNVALUE; -1: none
    };
    const Case cases[] = {
        {call(10, {{u"@stmt"_s, u"select name from sysdatabases where dbid = 5"_s, false}}),
         "RESULT(1x1) DONEINPROC(count 1) RETURN(0) DONEPROC", -1},
        // Prepared handles count up from 1 on each connection.
        {call(13, {handleOut, noParams, stmt("select 1")}),
         "RESULT(1x1) DONEINPROC(count 1) RETURN(0) RETVAL DONEPROC", 1},
        {call(11, {handleOut, noParams, stmt("select 2")}), "RETURN(0) RETVAL DONEPROC", 2},
        {call(0, {handleOut, noParams, stmt("select 3")}, u"SP_PREPEXEC"_s),
         "RESULT(1x1) DONEINPROC(count 1) RETURN(0) RETVAL DONEPROC", 3},
        {call(12, {handle(2)}), "RESULT(1x1) DONEINPROC(count 1) RETURN(0) DONEPROC", -1},
        {call(15, {handle(2)}), "RETURN(0) DONEPROC", -1},
        {call(12, {handle(2)}), "ERROR(8179) RETURN(0) DONEPROC(error)", -1},
        {call(10, {stmt("select * from nowhere")}),
         "ERROR(208) DONEINPROC(error) RETURN(0) DONEPROC(error)", -1},
        // Without a server cursor the statement runs at once; @cursor comes back as 0.
        {call(2, {{u"@cursor"_s, Cell(), true}, stmt("select 1"), {u"@scrollopt"_s, 8, true}}),
         "RESULT(1x1) DONEINPROC(count 1) RETURN(0) RETVAL RETVAL DONEPROC", 0},
    };
    for (const Case& c : cases) {
        const Reply reply = session->executeRpc(c.call);
        EXPECT_EQ(shape(reply), QString::fromUtf8(c.shape)) << c.call.procId;
        EXPECT_EQ(handleReturned(reply), c.handle) << c.call.procId;
    }
    EXPECT_EQ(errors(session->executeRpc(call(12, {handle(2)}))),
              QStringList{u"8179: Could not find prepared statement with handle 2."_s});

    RpcCall byName = call(0,
                          {{u"@dbname"_s, u"Sales"_s, false},
                           {u"@optname"_s, u"single user"_s, false},
                           {u"@optvalue"_s, u"true"_s, false}},
                          u"sp_dboption"_s);
    EXPECT_EQ(shape(session->executeRpc(byName)), u"RETURN(0) DONEPROC"_s);
    EXPECT_TRUE(engine->isSingleUser(u"Sales"_s));
    EXPECT_EQ(errors(session->executeRpc(call(0, {}, u"sp_nothing"_s))),
              QStringList{u"2812: Could not find stored procedure 'sp_nothing'."_s});
}

TEST(Robustness, NestingHasItsLimits) {
    auto engine = Engine::create(testScenario());
    auto session = loginAs(*engine, 160, QString(), u"Sales"_s);
    EXPECT_EQ(shape(session->executeBatch(u"create proc Again as exec Again"_s)), u"DONE"_s);
    const Reply loop = session->executeBatch(u"exec Again"_s);
    EXPECT_EQ(
        errors(loop),
        QStringList{u"217: Maximum stored procedure, function, trigger, or view nesting level "
                    u"exceeded (limit 32)."_s});
    // The session is usable afterwards.
    EXPECT_EQ(shape(session->executeBatch(u"select 1"_s)), u"RESULT(1x1) DONE(count 1)"_s);

    const QString deep = u"select "_s + QString(5000, u'(') + u'1' + QString(5000, u')');
    EXPECT_EQ(errors(session->executeBatch(deep)).front().left(4), u"191:"_s);
}

TEST(Robustness, InsertFromTextThatAttachesADatabase) {
    Scenario scenario = testScenario();
    scenario.logRebuildSeverity = 10;  // the rebuilt log's notes are no errors here
    auto engine = Engine::create(scenario);
    auto session = loginAs(*engine, 170);
    session->executeBatch(u"create table Log(Line varchar(100))"_s);
    const Reply reply = session->executeBatch(
        u"insert into Log exec('EXEC sp_attach_single_file_db @dbname = ''L'',@physname = "
        u"''C:\\Attach\\Lonely.MDF'' "
        u"select name from sysdatabases where dbid > 11')"_s);
    EXPECT_EQ(errors(reply), QStringList());
    EXPECT_EQ(engine->tableRows(u"master"_s, u"Log"_s), (std::vector<QStringList>{{u"L"_s}}));
}
