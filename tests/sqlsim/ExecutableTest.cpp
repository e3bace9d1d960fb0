// The sqlsim executable with the real engine, driven by clients nobody here wrote: the version and
// database-list queries, wrong passwords, the 7.0 profile, the journal file and a clean stop.

#include "sqlsim/engine/Scenario.h"
#include "tests/sqlsim/ClientRunner.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/GTestQtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using namespace sqlsim::test;

namespace {

const QString Password = u"Secret1"_s;
// sysdatabases order by name, as the server compares names (case-insensitively).
const QString UserDatabases = u"archive\nbench\nSales2004\n库存\n"_s;

QString dataFile(const char* name) {
    return QStringLiteral(TARNWICK_TEST_DATA "/") + QLatin1String(name);
}

// One sqlsim process on an ephemeral port.
class SqlsimProcess {
public:
    bool start(const QStringList& args) {
        m_process.setProgram(QStringLiteral(SQLSIM_EXECUTABLE));
        m_process.setArguments(args);
        m_process.start();
        if (!m_process.waitForStarted(5000)) return false;
        static const QRegularExpression listening(
            u"^sqlsim: listening on 127\\.0\\.0\\.1:(\\d+)\\n$"_s);
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) return false;
        }
        m_firstLine = QString::fromUtf8(m_process.readLine());
        const auto m = listening.match(m_firstLine);
        if (!m.hasMatch()) return false;
        m_port = quint16(m.captured(1).toUInt());
        return true;
    }
    // SIGTERM; true when it exits by itself with status 0.
    bool stop() {
        m_process.terminate();
        return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }
    ~SqlsimProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    quint16 port() const { return m_port; }
    const QString& firstLine() const { return m_firstLine; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_firstLine;
};

class ExecutableTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString missing;
        if (!allClientsInstalled(&missing))
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        journal = dir.filePath(u"journal.jsonl"_s);
    }
    bool startWith(const char* scenario) {
        return sim.start(
            {u"--scenario"_s, dataFile(scenario), u"--port"_s, u"0"_s, u"--journal"_s, journal});
    }
    std::vector<QJsonObject> journalLines() const {
        std::vector<QJsonObject> out;
        QFile f(journal);
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (!line.isEmpty()) out.push_back(QJsonDocument::fromJson(line).object());
        }
        return out;
    }

    QTemporaryDir dir;
    QString journal;
    SqlsimProcess sim;
};

}  // namespace

TEST_F(ExecutableTest, EveryClientReadsVersionAndDatabases) {
    ASSERT_TRUE(startWith("proto-clients.json")) << sim.firstLine().toStdString();
    const QString banner = defaultBanner(Profile::Sql2000);
    const QString prefix = u"Microsoft SQL Server  2000 "_s;

    const ClientRun t =
        runTsql(sim.port(), {VersionPrefixQuery, DatabaseListQuery, VersionQuery}, Password);
    EXPECT_EQ(t.exitCode, 0) << t.all().toStdString();
    EXPECT_EQ(t.out, prefix + u'\n' + UserDatabases + banner + u'\n');

    const ClientRun b = runBsqldb(sim.port(), DatabaseListQuery, Password);
    EXPECT_EQ(b.exitCode, 0) << b.all().toStdString();
    EXPECT_EQ(b.out, UserDatabases);

    const ClientRun i = runIsql(sim.port(), DatabaseListQuery, Password);
    EXPECT_EQ(i.exitCode, 0) << i.all().toStdString();
    EXPECT_EQ(i.out, u"Name\n" + UserDatabases);
    const ClientRun iv = runIsql(sim.port(), VersionPrefixQuery, Password);
    EXPECT_EQ(iv.out, u'\n' + prefix + u'\n');

    const ClientRun p =
        runPytds(sim.port(), {VersionQuery, VersionPrefixQuery, DatabaseListQuery}, Password);
    EXPECT_EQ(p.exitCode, 0) << p.all().toStdString();
    const QStringList lines = p.out.split(u'\n');
    ASSERT_EQ(lines.size(), 4) << p.out.toStdString();
    EXPECT_TRUE(
        lines[0].startsWith(u"[('Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \\n\\t"))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], u"[('" + prefix + u"',)]");
    EXPECT_EQ(lines[2], u"[('archive',), ('bench',), ('Sales2004',), ('库存',)]");

    EXPECT_TRUE(sim.stop());
    // One line per batch or RPC, in arrival order, connections numbered from 1.
    QStringList seen;
    for (const QJsonObject& e : journalLines())
        seen << u"%1 %2 %3"_s.arg(e.value(u"conn").toInt())
                    .arg(e.value(u"db").toString(), e.value(u"text").toString());
    const QString prepexec = u"RPC sp_prepexec NULL OUTPUT, NULL, N'%1'"_s;
    const QStringList expected = {
        u"1 master " + VersionPrefixQuery + u'\n',
        u"1 master " + DatabaseListQuery + u'\n',
        u"1 master " + VersionQuery + u'\n',
        u"2 master " + DatabaseListQuery + u'\n',
        u"3 master " + prepexec.arg(DatabaseListQuery),
        u"3 master RPC sp_unprepare 1"_s,
        u"4 master " + prepexec.arg(QString(VersionPrefixQuery).replace(u'\'', u"''"_s)),
        u"4 master RPC sp_unprepare 1"_s,
        u"5 master " + VersionQuery,
        u"5 master " + VersionPrefixQuery,
        u"5 master " + DatabaseListQuery,
    };
    EXPECT_EQ(seen, expected);
}

// A client library's parameterised statements (sp_executesql with typed parameters, bound by
// name), a system procedure called by name with typed positional parameters, a prepared
// statement run twice, and a parameter the statement does not declare.
TEST_F(ExecutableTest, ParameterisedStatements) {
    ASSERT_TRUE(startWith("proto-clients.json"));
    const QString script =
        uR"(import sys, pytds
c = pytds.connect(server='127.0.0.1', port=int(sys.argv[1]), user='sa', password=sys.argv[2],
                  database='master', tds_version=pytds.tds_base.TDS71, autocommit=True,
                  login_timeout=10)
cur = c.cursor()
cur.execute('select name, dbid from sysdatabases where dbid = %s', (1,))
print(cur.fetchall())
cur.execute('select name from sysdatabases where name = %s', ('库存',))
print(cur.fetchall())
cur.callproc('sp_executesql', ('select @x, @@MAX_PRECISION', '@x nvarchar(10)', 'abc'))
print(cur.fetchall())
try:
    cur.execute('select @nope')
except pytds.Error as e:
    print('ERROR:', e)
)"_s;
    const ClientRun p = runClient(u"/usr/bin/python3"_s,
                                  {u"-c"_s, script, QString::number(sim.port()), Password}, {});
    EXPECT_EQ(p.exitCode, 0) << p.all().toStdString();
    EXPECT_EQ(p.out,
              u"[('master', 1)]\n"
              u"[('库存',)]\n"
              u"[('abc', 38)]\n"
              u"ERROR: Must declare the variable '@nope'.\n"_s);
    EXPECT_TRUE(sim.stop());
}

// The demo server's system tables with 2000's column types, and the sql_variant values of dbcc
// checkprimaryfile, as clients read them: python3-tds decodes every type (the variant's base types
// included); FreeTDS's tools print the tables; a TDS 7.0 client gets the variant as text.
TEST_F(ExecutableTest, SystemTablesAndVariantsThroughTheClients) {
    ASSERT_TRUE(sim.start({u"--scenario"_s,
                           QStringLiteral(TARNWICK_TEST_DATA "/../../sqlsim/scenarios/demo.json"),
                           u"--port"_s, u"0"_s}));
    const QString primary = u"dbcc checkprimaryfile (N'C:\\Attach\\市场调查.MDF', 2)"_s;
    const QString database = u"select * from sysdatabases where dbid = 8"_s;
    const QString objects = u"select name, xtype, type from 销售数据..sysobjects where id < 3"_s;

    const ClientRun p = runPytds(sim.port(), {primary, database, objects}, {});
    EXPECT_EQ(p.exitCode, 0) << p.all().toStdString();
    EXPECT_EQ(
        p.out,
        u"[('Database name', '市场调查'), ('Database version', 539), ('Collation', 53284)]\n"
        u"[('销售数据', 8, b'\\x01', 0, 16, 1090519040, datetime.datetime(2004, 3, 15, 10, 0), "
        u"datetime.datetime(1900, 1, 1, 0, 0), 0, 80, 'D:\\\\SQLData\\\\销售数据_Data.MDF', 539)]\n"
        u"[('sysobjects', 'S ', 'S '), ('sysindexes', 'S ', 'S ')]\n"_s);

    const QString row =
        u"销售数据|8|01|0|16|1090519040|2004-03-15 10:00:00.000|"
        u"1900-01-01 00:00:00.000|0|80|D:\\SQLData\\销售数据_Data.MDF|539\n"_s;
    const ClientRun i = runIsql(sim.port(), database, {});
    EXPECT_EQ(i.exitCode, 0) << i.all().toStdString();
    EXPECT_EQ(i.out,
              u"name|dbid|sid|mode|status|status2|crdate|reserved|category|cmptlevel|"
              u"filename|version\n"_s +
                  row);
    const ClientRun b = runBsqldb(sim.port(), database, {});
    EXPECT_EQ(b.exitCode, 0) << b.all().toStdString();
    EXPECT_EQ(b.out,
              u"销售数据|8|0x01|0|16|1090519040|Mar 15 2004 10:00:00:000AM|"
              u"Jan  1 1900 12:00:00:000AM|0|80|D:\\SQLData\\销售数据_Data.MDF|539\n"_s);

    const ClientRun t = runTsql(sim.port(), {objects}, {});
    EXPECT_EQ(t.exitCode, 0) << t.all().toStdString();
    EXPECT_EQ(t.out, u"sysobjects\tS \tS \nsysindexes\tS \tS \n"_s);
    const ClientRun t70 = runTsql(sim.port(), {primary}, {}, u"7.0"_s);
    EXPECT_EQ(t70.exitCode, 0) << t70.all().toStdString();
    EXPECT_EQ(t70.out, u"Database name\t市场调查\nDatabase version\t539\nCollation\t53284\n"_s);
    EXPECT_TRUE(sim.stop());
}

// The refusal's number, level, state, server and line as a client prints them; nothing is
// journalled.
TEST_F(ExecutableTest, WrongPasswordIsRefused) {
    ASSERT_TRUE(startWith("proto-clients.json"));
    const ClientRun b = runBsqldb(sim.port(), VersionQuery, u"secret1"_s);
    EXPECT_TRUE(b.all().contains(
        u"Msg 18456, Level 14, State 1\nServer 'PROTOSRV', Line 1\n\tLogin failed for user 'sa'."))
        << b.all().toStdString();
    EXPECT_TRUE(sim.stop());
    EXPECT_TRUE(journalLines().empty());
}

TEST_F(ExecutableTest, SeventyProfileSpeaksOnlyTdsSeventy) {
    ASSERT_TRUE(startWith("proto-clients-70.json"));
    const ClientRun refused = runTsql(sim.port(), {VersionPrefixQuery}, Password, u"7.1"_s);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    const ClientRun t =
        runTsql(sim.port(), {VersionPrefixQuery, DatabaseListQuery}, Password, u"7.0"_s);
    EXPECT_EQ(t.exitCode, 0) << t.all().toStdString();
    EXPECT_EQ(t.out, u"Microsoft SQL Server  7.00 \narchive\nSales2004\n库存\n");
    EXPECT_TRUE(sim.stop());
}

// --files stores the server's files under the folder, and a client sees only the server's paths:
// the record read from the stored primary file, the folder listed by xp_dirtree.
TEST_F(ExecutableTest, ServerFilesStoredUnderTheFolder) {
    const QString demo = QStringLiteral(TARNWICK_SOURCE_DIR "/sqlsim/scenarios/demo.json");
    const QString files = dir.filePath(u"files"_s);
    ASSERT_TRUE(sim.start({u"--scenario"_s, demo, u"--port"_s, u"0"_s, u"--files"_s, files}));
    EXPECT_TRUE(QFile::exists(files + u"/C/Attach/Renamed.MDF"_s));
    EXPECT_TRUE(QFile::exists(files + u"/C/Attach/Original_Log.LDF"_s));
    EXPECT_FALSE(QFile::exists(files + u"/C/Attach/Original.MDF"_s));
    const ClientRun t = runTsql(sim.port(),
                                {u"dbcc checkprimaryfile (N'C:\\Attach\\Renamed.MDF', 3)"_s,
                                 u"EXEC master..xp_dirtree N'C:\\Attach\\',1,1"_s},
                                QString());
    EXPECT_EQ(t.exitCode, 0) << t.all().toStdString();
    EXPECT_TRUE(t.out.contains(u"E:\\OldServer\\Data\\Original_Log.LDF"_s))
        << t.all().toStdString();
    EXPECT_TRUE(t.out.contains(u"Original_Log.LDF\t1\t1"_s)) << t.all().toStdString();
    EXPECT_FALSE(t.all().contains(files)) << t.all().toStdString();
    EXPECT_TRUE(sim.stop());
}

TEST_F(ExecutableTest, CommandLineErrors) {
    const QByteArray usage =
        "usage: sqlsim --scenario FILE [--port N] [--journal FILE] [--files DIR]\n"
        "              [--dbcc-pages-per-second N]\n";
    const QString scenario = QStringLiteral(TARNWICK_TEST_DATA "/proto-clients.json");
    struct Case {
        QStringList args;
        int exitCode;
        QByteArray stderrStart;
    };
    const Case cases[] = {
        {{u"--port"_s, u"0"_s}, 2, usage},
        {{u"--scenario"_s, scenario, u"--dbcc-pages-per-second"_s, u"-5"_s}, 2, usage},
        {{u"--scenario"_s, scenario, u"--dbcc-pages-per-second"_s, u"fast"_s}, 2, usage},
        {{u"--scenario"_s, scenario, u"--dbcc-pages-per-second"_s, u"inf"_s}, 2, usage},
        {{u"--scenario"_s, dir.filePath(u"none.json"_s)}, 1, "sqlsim: scenario: cannot read "},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.start(QStringLiteral(SQLSIM_EXECUTABLE), c.args);
        ASSERT_TRUE(p.waitForFinished(5000)) << qPrintable(c.args.join(u' '));
        EXPECT_EQ(p.exitCode(), c.exitCode) << qPrintable(c.args.join(u' '));
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(c.exitCode == 2 ? err == c.stderrStart : err.startsWith(c.stderrStart))
            << qPrintable(c.args.join(u' ')) << ": " << err.constData();
    }
}
