// tarnwick-cli end to end: the executable as a subprocess against an embedded sqlsim. Every key of
// the tree sends what the main window's dispatch sends and prints what the window shows; each exit
// status comes from a real case; the password never reaches the command line; a stop signal
// cancels a repair, which switches the database back before the program exits.

#include "attach/frmAttch7.h"
#include "attach/frmFile.h"
#include "connection/ModMain.h"
#include "mainwindow/MainServices.h"
#include "mainwindow/frmMain.h"
#include "operations/CaptureStatements.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "tests/support/MainWindowNodes.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"
#include "tests/support/StateHome.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>

#include <csignal>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;
using tarnwick::test::StateHome;

namespace {

const QString kVersionQuery = u"select left(@@version,charindex('-',@@version)-1)"_s;

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QProcess* startCli(const QStringList& arguments, const QString& password = {}) {
    auto* process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"TARNWICK_PASSWORD"_s);
    if (!password.isNull()) environment.insert(u"TARNWICK_PASSWORD"_s, password);
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(TARNWICK_BINARY_DIR "/cli/tarnwick-cli"), arguments);
    return process;
}

CliRun finish(QProcess* process) {
    std::unique_ptr<QProcess> owned(process);
    process->closeWriteChannel();
    EXPECT_TRUE(process->waitForFinished(60000));
    return {process->exitCode(), process->readAllStandardOutput(), process->readAllStandardError()};
}

CliRun runCli(const SqlsimFixture& sim, const QStringList& arguments,
              const QString& password = {}) {
    return finish(startCli(QStringList{u"--server"_s, sim.serverName()} + arguments, password));
}

QStringList journal(SqlsimFixture& sim) {
    QStringList entries;
    for (const sqlsim::JournalEntry& e : sim.server().journal())
        entries << e.db + u" | "_s + e.text;
    return entries;
}

// The server and the folder its files are stored in, afresh for every run so the window and the
// command line meet the same server; both see only the server's own paths (C:\Attach\...).
struct Server {
    Server(const QString& scenarioFile, const QString& folder, const QString& password = {}) {
        sqlsim::Scenario scenario =
            sqlsim::Scenario::fromFile(QStringLiteral(TARNWICK_SOURCE_DIR "/") + scenarioFile);
        if (!password.isEmpty()) scenario.saPassword = password;
        sqlsim::storeServerFiles(scenario, folder);
        sim = std::make_unique<SqlsimFixture>(scenario);
    }
    std::unique_ptr<SqlsimFixture> sim;
};

// How the window's attach run goes: which window, which files are chosen, what is typed.
using AttachInWindow = std::function<void(RecordingToolkit&, const QString& folder)>;

void primaryFileWindow(RecordingToolkit& toolkit, const QString& primary, const QString& name) {
    frmFile window;
    toolkit.setNextFileName(primary);
    window.CmdSel_Click();
    if (!name.isEmpty()) window.txtDBName->setText(name);
    window.Cmd_OK_Click();
}

void dataFileWindow(RecordingToolkit& toolkit, const QString& data, const QString& log,
                    const QString& name) {
    frmAttch7 window;
    toolkit.setNextFileName(data);
    window.CmdSel_Click();
    if (!log.isEmpty()) {
        toolkit.setNextFileName(log);
        window.Command1_Click();
    }
    window.txtDBName->setText(name);
    toolkit.setNextAnswer(tarnwick::vbOK);  // the single-file question
    window.Cmd_OK_Click();
}

struct Case {
    QString key;
    QString scenario;
    QString database;             // for every key but ATTACH
    QStringList attachArguments;  // ATTACH: the command line
    AttachInWindow attachInWindow;
    int status = 0;  // the exit status
};

class CliE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ModMain::serverConnection().ServerVersion.clear();
    }

    // The window's dispatch of the case's node with its database chosen: the journal of the
    // double-click and the result text it leaves.
    std::pair<QStringList, QString> runInWindow(const Case& c) {
        Server server(c.scenario, folder.path());
        SqlsimFixture& sim = *server.sim;
        MainServices services = MainServices::standard();
        services.login = [&sim](QWidget*) { return sim.connect(); };
        services.switchOnConnection = [] { return false; };
        services.setSwitchOnConnection = nullptr;
        services.confirmDataLoss = [] { return false; };  // runs at once, as the command line does
        services.showAttachWindow = [&](const QString&) {
            c.attachInWindow(toolkit, folder.path());
        };
        frmMain window(std::move(services));
        window.Form_Load();
        if (!c.database.isEmpty())
            window.Combo_DB->setCurrentIndex(window.Combo_DB->findText(c.database));
        window.TV_Ope->setCurrentItem(nodeOf(window, c.key));
        sim.clearJournal();
        window.TV_Ope_DblClick();
        EXPECT_FALSE(sim.engine().isSingleUser(c.database));
        return {journal(sim), window.resultText()};
    }

    // The command line's run of the case: the journal after its login and what it printed.
    // raw: the exact bytes (--raw); otherwise LF after each line, as in a pipe.
    std::pair<QStringList, CliRun> runInCli(const Case& c, bool raw = true) {
        Server server(c.scenario, folder.path());
        QStringList arguments =
            c.key == u"ATTACH"_s ? c.attachArguments : QStringList{u"run"_s, c.key, c.database};
        if (raw) arguments.prepend(u"--raw"_s);
        const CliRun run = runCli(*server.sim, arguments);
        if (!c.database.isEmpty()) {
            EXPECT_FALSE(server.sim->engine().isSingleUser(c.database));
        }
        QStringList entries = journal(*server.sim);
        const qsizetype login = entries.indexOf(u"master | "_s + kVersionQuery);
        EXPECT_GE(login, 0);
        entries.remove(0, login + 1);
        return {entries, run};
    }

    QTemporaryDir folder;
    RecordingToolkit toolkit;
};

const QString kDemo = u"sqlsim/scenarios/demo.json"_s;
const QString kSql70 = u"sqlsim/scenarios/sql70.json"_s;

// On the demo's Warehouse, whose findings every check reports (exit status 1).
Case onDatabase(const QString& key, int status) {
    return {key, kDemo, u"Warehouse"_s, {}, {}, status};
}

}  // namespace

// Every key of the tree, the attach through both attach commands and both statement forms: the
// same batches, in the same databases, and the same text. (The three-file and renamed attaches
// list their files through the same routine as the window, whose batches attach_e2e_test checks.)
TEST_F(CliE2eTest, EveryKeySendsWhatTheWindowSendsAndPrintsItsResultText) {
    std::vector<Case> cases;
    // Each key with its exit status: 1 where the check reports Warehouse's findings.
    for (const QString& entry :
         u"ShrinkLog 0,ShrinkMDF 0,CHECKDB 1,CHECKALLOC 1,CHECKCATALOG 1,UPDATEUSAGE 0,"
         u"CHECKDBWITHPHYSICAL_ONLY 1,REPINDEX 1,REPOBJ 0,REPCOL 0,REPDB 1,CHECKEACHTABLE 1,"
         u"DBREINDEX 0"_s.split(u','))
        cases.push_back(onDatabase(entry.section(u' ', 0, 0), entry.section(u' ', 1).toInt()));
    cases.push_back({u"ATTACH"_s,
                     kDemo,
                     {},
                     {u"attach"_s, u"C:\\Attach\\Archive2004_Data.MDF"_s},
                     [](RecordingToolkit& t, const QString&) {
                         primaryFileWindow(t, u"C:\\Attach\\Archive2004_Data.MDF"_s, {});
                     }});
    cases.push_back({u"ATTACH"_s,
                     kDemo,
                     {},
                     {u"attach"_s, u"C:\\Attach\\Inventory.MDF"_s, u"--as"_s, u"库存"_s},
                     [](RecordingToolkit& t, const QString&) {
                         primaryFileWindow(t, u"C:\\Attach\\Inventory.MDF"_s, u"库存"_s);
                     }});
    cases.push_back({u"ATTACH"_s,
                     kSql70,
                     {},
                     {u"attach7"_s, u"C:\\Attach\\Payroll_Data.MDF"_s, u"--log"_s,
                      u"C:\\Attach\\Payroll_Log.LDF"_s, u"--as"_s, u"Payroll"_s},
                     [](RecordingToolkit& t, const QString&) {
                         dataFileWindow(t, u"C:\\Attach\\Payroll_Data.MDF"_s,
                                        u"C:\\Attach\\Payroll_Log.LDF"_s, u"Payroll"_s);
                     }});
    cases.push_back({u"ATTACH"_s,
                     kSql70,
                     {},
                     {u"attach7"_s, u"C:\\Attach\\Inventory.MDF"_s, u"--single-file"_s, u"--as"_s,
                      u"Inventory"_s},
                     [](RecordingToolkit& t, const QString&) {
                         dataFileWindow(t, u"C:\\Attach\\Inventory.MDF"_s, {}, u"Inventory"_s);
                     }});

    // Every other case asks for the raw text; the others get LF after each line in the pipe.
    bool raw = false;
    for (const Case& c : cases) {
        const QString label = c.key + u' ' + c.attachArguments.join(u' ');
        SCOPED_TRACE(label.toStdString());
        raw = !raw;
        const auto [windowJournal, windowText] = runInWindow(c);
        const auto [cliJournal, cli] = runInCli(c, raw);
        EXPECT_FALSE(windowJournal.isEmpty());
        EXPECT_EQ(cliJournal, windowJournal);
        static const QRegularExpression lineEnd(u"\r\n?"_s);
        EXPECT_EQ(cli.out,
                  (raw ? windowText : QString(windowText).replace(lineEnd, u"\n"_s)).toUtf8());
        // A window's message box is one line of standard error: the attach's success here.
        if (c.key == u"ATTACH"_s) {
            EXPECT_TRUE(cli.err.endsWith("附加成功！\n")) << cli.err.constData();
        }
        EXPECT_EQ(cli.status, c.status) << cli.err.constData();
    }
}

// tarnwick-cli --switch-on-connection run REPDB Warehouse with a password: repaired (exit 1, the
// findings), the run in the history, multi-user afterwards; without the option the refusal and
// a hint on standard error, and the history holds both.
TEST_F(CliE2eTest, SwitchOnConnectionRepairsAndTheHistoryKeepsEveryRun) {
    const QString password = u"Secret1"_s;
    Server server(kDemo, folder.path(), password);
    SqlsimFixture& sim = *server.sim;
    QTemporaryDir state;
    const StateHome home(state.path().toUtf8());

    const CliRun repaired =
        runCli(sim, {u"--raw"_s, u"--switch-on-connection"_s, u"run"_s, u"REPDB"_s, u"Warehouse"_s},
               password);
    EXPECT_EQ(repaired.status, 1) << repaired.err.constData();
    EXPECT_FALSE(sim.engine().isSingleUser(u"Warehouse"_s));
    EXPECT_EQ(sim.engine().findingCount(u"Warehouse"_s), 0);
    // --raw: the text as the history keeps it, byte for byte.
    const CliRun refused =
        runCli(sim, {u"--raw"_s, u"run"_s, u"REPDB"_s, u"Warehouse"_s}, password);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains("--switch-on-connection")) << refused.err.constData();
    EXPECT_FALSE(refused.out.contains("--switch-on-connection"));
    const CliRun json = runCli(
        sim, {u"--json"_s, u"--switch-on-connection"_s, u"run"_s, u"CHECKALLOC"_s, u"Warehouse"_s},
        password);
    const QJsonObject report = QJsonDocument::fromJson(json.out).object();
    EXPECT_TRUE(report[u"switchOnConnection"_s].toBool());
    EXPECT_TRUE(report[u"singleUserAfter"_s].isBool());
    EXPECT_FALSE(report[u"singleUserAfter"_s].toBool());
    EXPECT_EQ(json.status, 0) << json.out.constData();

    const CliRun attached = runCli(
        sim, {u"attach"_s, u"C:\\Attach\\Archive2004_Data.MDF"_s, u"--as"_s, u"旧账"_s}, password);
    EXPECT_EQ(attached.status, 0) << attached.err.constData();

    const CliRun shown = runCli(sim, {u"history"_s, u"--json"_s});
    EXPECT_EQ(shown.status, 0);
    const QJsonArray entries = QJsonDocument::fromJson(shown.out).object()[u"history"_s].toArray();
    ASSERT_EQ(entries.size(), 4) << shown.out.constData();
    // The attach: its name, no switch, the box's text as its result.
    const QJsonObject attach = entries[3].toObject();
    EXPECT_EQ(attach[u"operation"_s].toString(), u"ATTACH"_s);
    EXPECT_EQ(attach[u"database"_s].toString(), u"旧账"_s);
    EXPECT_TRUE(attach[u"switch"_s].isNull());
    EXPECT_EQ(attach[u"outcome"_s].toString(), u"ok"_s);
    EXPECT_TRUE(attached.err.endsWith(QByteArray(attach[u"result"_s].toString().toUtf8() + '\n')));
    const struct {
        QString key, switchMode, outcome;
        QJsonValue singleUserAfter;
        QByteArray result;
    } expected[] = {
        {u"REPDB"_s, u"connection"_s, u"ok"_s, false, repaired.out},
        {u"REPDB"_s, u"server shell"_s, u"failed"_s, QJsonValue(), refused.out},
    };
    for (int i = 0; i < 2; ++i) {
        const QJsonObject entry = entries[i].toObject();
        EXPECT_EQ(entry[u"server"_s].toString(), sim.serverName());
        EXPECT_EQ(entry[u"database"_s].toString(), u"Warehouse"_s);
        EXPECT_EQ(entry[u"operation"_s].toString(), expected[i].key);
        EXPECT_EQ(entry[u"switch"_s].toString(), expected[i].switchMode);
        EXPECT_EQ(entry[u"outcome"_s].toString(), expected[i].outcome);
        EXPECT_EQ(entry[u"singleUserAfter"_s], expected[i].singleUserAfter);
        EXPECT_EQ(entry[u"result"_s].toString().toUtf8(), expected[i].result);
    }
    QFile file(state.path() + u"/tarnwick/history.jsonl"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(password.toUtf8()));
    // The text form: one paragraph an entry, what the repair reported indented under it.
    const CliRun text = runCli(sim, {u"history"_s});
    EXPECT_EQ(text.out.count("\tREPDB\t"), 2);
    EXPECT_TRUE(text.out.contains("\n    CHECKDB found ")) << text.out.constData();
}

// The exit statuses, each from a real case, with the JSON report parsed.
TEST_F(CliE2eTest, ExitStatusesAndTheJsonReport) {
    const QString password = u"Pa$$ w0rd;b}c"_s;  // ";" and "}" log in as typed
    Server server(kDemo, folder.path(), password);
    SqlsimFixture& sim = *server.sim;

    struct Expected {
        QString database;
        QString password;
        int status;
        QString outcome;
        int allocationErrors, consistencyErrors;
        QString messageAtEnd;  // the last message of the result text, or the notice
    };
    const Expected expected[] = {
        {u"Accounting"_s, password, 0, u"clean"_s, 0, 0,
         u"CHECKDB found 0 allocation errors and 0 consistency errors in database 'Accounting'."_s},
        // The demo's Warehouse: one allocation and three consistency findings.
        {u"Warehouse"_s, password, 1, u"findings"_s, 1, 3,
         u"repair_allow_data_loss is the minimum repair level for the errors found by DBCC "
         u"CHECKDB (Warehouse )."_s},
        {u"Accounting"_s, password, 2, u"failed"_s, 0, 0,
         u"错误信息Database 'Accounting' is already open and can only have one user at a time."_s},
        {u"Accounting"_s, u"wrong"_s, 3, u"login failed"_s, 0, 0, u"Login failed for user 'sa'."_s},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.outcome.toStdString());
        if (e.status == 2) {
            // Another connection holds the database in single-user mode.
            ASSERT_TRUE(sim.connect(password));
            tarnwick::OdbcConnection& holder = ModMain::serverConnection().Connection;
            holder.execute(u"exec sp_dboption 'Accounting', 'single user', 'true'"_s);
            holder.setDefaultDatabase(u"Accounting"_s);
        }
        const CliRun run =
            runCli(sim, {u"--json"_s, u"run"_s, u"CHECKDB"_s, e.database}, e.password);
        EXPECT_EQ(run.status, e.status) << run.err.constData();
        QJsonParseError error;
        const QJsonObject report = QJsonDocument::fromJson(run.out, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.constData();
        EXPECT_EQ(report[u"server"_s].toString(), sim.serverName());
        EXPECT_EQ(report[u"version"_s].toString(),
                  e.status == 3 ? QString() : u"Microsoft SQL Server  2000"_s);
        EXPECT_EQ(report[u"operation"_s].toString(), u"CHECKDB"_s);
        EXPECT_EQ(report[u"database"_s].toString(), e.database);
        EXPECT_EQ(report[u"outcome"_s].toString(), e.outcome);
        EXPECT_EQ(report[u"exitStatus"_s].toInt(), e.status);
        EXPECT_EQ(report[u"allocationErrors"_s].toInt(), e.allocationErrors);
        EXPECT_EQ(report[u"consistencyErrors"_s].toInt(), e.consistencyErrors);
        const QJsonArray messages = report[e.status == 3 ? u"notices"_s : u"messages"_s].toArray();
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.last().toString(), e.messageAtEnd);
        EXPECT_FALSE(run.out.contains(password.toUtf8()) || run.err.contains(password.toUtf8()));
        EXPECT_FALSE(e.password == u"wrong"_s && QByteArray(run.out + run.err).contains("wrong"));
    }

    // A usage error is found before any login: nothing reaches the server.
    sim.clearJournal();
    const CliRun usage = runCli(sim, {u"run"_s, u"CHECKdb"_s, u"Accounting"_s}, password);
    EXPECT_EQ(usage.status, 64);
    EXPECT_TRUE(usage.out.isEmpty());
    EXPECT_TRUE(usage.err.startsWith("tarnwick-cli: unknown operation key \"CHECKdb\""));
    EXPECT_TRUE(sim.journalTexts().isEmpty());
}

// The password is read from standard input or a file, never from the command line: a running
// tarnwick-cli's /proc/<pid>/cmdline does not hold it.
TEST_F(CliE2eTest, PasswordNeverOnTheCommandLine) {
    const QString password = u"s3cret-Passw0rd"_s;
    Server server(kDemo, folder.path(), password);
    QFile file(folder.filePath(u"password"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(password.toUtf8() + "\n");
    file.close();

    QProcess* fromStdin =
        startCli({u"--server"_s, server.sim->serverName(), u"--password-stdin"_s, u"databases"_s});
    ASSERT_TRUE(fromStdin->waitForStarted());
    // It waits for the password on its standard input, still running.
    // Read once the program runs as itself (the arguments are in place after the exec).
    QByteArray arguments;
    for (int i = 0; i < 100 && !arguments.contains("--password-stdin"); ++i) {
        QFile cmdline(u"/proc/%1/cmdline"_s.arg(fromStdin->processId()));
        if (cmdline.open(QIODevice::ReadOnly)) arguments = cmdline.readAll();
        if (!arguments.contains("--password-stdin")) QThread::msleep(20);
    }
    EXPECT_TRUE(arguments.contains("--password-stdin"));
    EXPECT_FALSE(arguments.contains(password.toUtf8()));
    fromStdin->write(password.toUtf8() + "\n");
    const CliRun stdinRun = finish(fromStdin);
    EXPECT_EQ(stdinRun.status, 0) << stdinRun.err.constData();
    EXPECT_TRUE(stdinRun.out.startsWith("Accounting\n")) << stdinRun.out.constData();

    const CliRun fileRun =
        runCli(*server.sim, {u"--password-file"_s, file.fileName(), u"databases"_s});
    EXPECT_EQ(fileRun.status, 0) << fileRun.err.constData();
    EXPECT_EQ(fileRun.out, stdinRun.out);

    // Typed on the command line, it is refused without being echoed.
    const CliRun typed = runCli(*server.sim, {u"--password="_s + password, u"databases"_s});
    EXPECT_EQ(typed.status, 64);
    EXPECT_FALSE(typed.err.contains(password.toUtf8()));
}

// run KEY --all-databases: every user database over one login, in the list's order, each sending
// what a run on that database alone sends; a failure (HR Archive's name breaks the statement) does
// not stop the others, and the exit status is the worst of the runs.
TEST_F(CliE2eTest, AllDatabasesOverOneLogin) {
    Server server(kDemo, folder.path());
    SqlsimFixture& sim = *server.sim;
    const QStringList databases =
        QString::fromUtf8(runCli(sim, {u"databases"_s}).out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(databases.size(), 6);

    // Each database alone: the batches after its login and the text it prints.
    QStringList aloneJournal;
    QByteArray aloneText;
    for (const QString& database : databases) {
        sim.clearJournal();
        const CliRun alone = runCli(sim, {u"run"_s, u"CHECKDB"_s, database});
        QStringList texts = sim.journalTexts();
        texts.remove(0, texts.indexOf(kVersionQuery) + 1);
        aloneJournal << texts;
        aloneText += (aloneText.isEmpty() ? "" : "\n") + ("==> " + database.toUtf8() + " <==\n") +
                     alone.out + (alone.out.endsWith('\n') ? "" : "\n");
    }

    sim.clearJournal();
    const CliRun all = runCli(sim, {u"run"_s, u"CHECKDB"_s, u"--all-databases"_s});
    EXPECT_EQ(all.status, 2) << all.err.constData();
    const std::vector<sqlsim::JournalEntry> received = sim.server().journal();
    ASSERT_FALSE(received.empty());
    QStringList allJournal = sim.journalTexts();
    EXPECT_EQ(allJournal.count(kVersionQuery), 1);  // one login
    EXPECT_TRUE(std::all_of(received.begin(), received.end(),
                            [&](const auto& e) { return e.conn == received.front().conn; }));
    // The same statements; only the database a statement arrives in may differ, as the one
    // connection stays where a failed run left it.
    allJournal.remove(0, 2);  // the version and the database list
    EXPECT_EQ(allJournal.join(u'\n').toStdString(), aloneJournal.join(u'\n').toStdString());
    EXPECT_EQ(all.out, aloneText +
                           "\n==> CHECKDB on 6 databases: 4 clean, 1 with findings, 1 "
                           "failed <==\nfindings\tWarehouse\nfailed\tHR Archive\n");

    // --json: one object per line, one per database, then the summary.
    const CliRun json = runCli(sim, {u"--json"_s, u"run"_s, u"CHECKDB"_s, u"--all-databases"_s});
    EXPECT_EQ(json.status, 2);
    const QList<QByteArray> lines = json.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), databases.size() + 1);
    QStringList outcomes;
    for (qsizetype i = 0; i < databases.size(); ++i) {
        const QJsonObject run = QJsonDocument::fromJson(lines.at(i)).object();
        EXPECT_EQ(run[u"database"_s].toString(), databases.at(i));
        outcomes << run[u"outcome"_s].toString();
    }
    EXPECT_EQ(outcomes, (QStringList{u"clean"_s, u"failed"_s, u"clean"_s, u"findings"_s, u"clean"_s,
                                     u"clean"_s}));
    const QJsonObject summary = QJsonDocument::fromJson(lines.last()).object();
    EXPECT_EQ(summary[u"databases"_s].toVariant().toStringList(), databases);
    EXPECT_EQ(summary[u"failed"_s].toVariant().toStringList(), QStringList{u"HR Archive"_s});
    EXPECT_EQ(summary[u"findings"_s].toVariant().toStringList(), QStringList{u"Warehouse"_s});
    EXPECT_EQ(summary[u"outcome"_s].toString(), u"failed"_s);
    EXPECT_EQ(summary[u"exitStatus"_s].toInt(), 2);

    // The database list not read: no database is run, the summary carries the notice.
    sim.failOn(u"sysdatabases"_s, u"Injected list failure."_s);
    sim.clearJournal();
    const CliRun unlisted =
        runCli(sim, {u"--json"_s, u"run"_s, u"CHECKDB"_s, u"--all-databases"_s});
    EXPECT_EQ(unlisted.status, 2);
    EXPECT_EQ(sim.journalTexts().size(), 2);  // the version and the list
    const QJsonObject unlistedSummary = QJsonDocument::fromJson(unlisted.out).object();
    EXPECT_EQ(unlistedSummary[u"notices"_s].toVariant().toStringList(),
              QStringList{u"cannot list the databases: Injected list failure."_s});
    EXPECT_TRUE(unlistedSummary[u"databases"_s].toArray().isEmpty());
}

// SIGTERM, SIGHUP or SIGINT while REPDB's DBCC runs: the statement is cancelled, the run goes back
// to master and switches the database back out of single-user mode, prints its failure report and
// the program exits with 128 + the signal; another connection can then enter the database. A
// second SIGINT while the switch back is held on the server ends the program at once.
TEST_F(CliE2eTest, StopSignalsCancelTheRepairWhichSwitchesBackBeforeTheProgramExits) {
    using tarnwick::capture::execCaptureProcStatement;
    using tarnwick::capture::singleUserStatement;
    const QString db = u"Warehouse"_s;
    struct Row {
        int signal;
        bool again;  // a second SIGINT while the switch back is held
        int status;
    };
    for (const Row row : {Row{SIGTERM, false, 143}, Row{SIGHUP, false, 129},
                          Row{SIGINT, false, 130}, Row{SIGINT, true, 130}}) {
        SCOPED_TRACE(row.signal + (row.again ? 100 : 0));
        Server server(kDemo, folder.path());
        SqlsimFixture& sim = *server.sim;
        const auto hold = [&sim](const QString& statement) {
            sim.delayOn(SqlsimFixture::literal(statement), std::chrono::seconds(20));
        };
        hold(execCaptureProcStatement());
        if (row.again) hold(singleUserStatement(db, false));
        QProcess* cli = startCli({u"--server"_s, sim.serverName(), u"run"_s, u"REPDB"_s, db});
        ASSERT_TRUE(sim.waitForRequest(execCaptureProcStatement()));
        ::kill(pid_t(cli->processId()), row.signal);
        if (row.again) {
            ASSERT_TRUE(sim.waitForRequest(singleUserStatement(db, false)));
            ::kill(pid_t(cli->processId()), SIGINT);
        }
        const CliRun run = finish(cli);
        EXPECT_EQ(run.status, row.status) << run.err.constData();
        if (row.again) {
            EXPECT_TRUE(run.err.endsWith("the database may be left in single-user mode\n"))
                << run.err.constData();
            continue;
        }
        const QStringList sent = sim.journalTexts();
        EXPECT_EQ(sent.mid(sent.indexOf(execCaptureProcStatement()) + 1),
                  (QStringList{u"USE [master]"_s, singleUserStatement(db, false)}));
        EXPECT_TRUE(run.out.endsWith("错误信息Operation was cancelled\n")) << run.out.constData();
        EXPECT_FALSE(sim.engine().isSingleUser(db));
        ASSERT_TRUE(sim.connect());
        EXPECT_NO_THROW(ModMain::serverConnection().Connection.setDefaultDatabase(db));
        sim.disconnect();
    }
}
