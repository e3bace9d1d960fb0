// tarnwick-cli end to end: the executable as a subprocess against an embedded sqlsim. Every key of
// the tree sends what the main window's dispatch sends and prints what the window shows; each exit
// status comes from a real case; the password never reaches the command line.

#include "attach/frmAttch7.h"
#include "attach/frmFile.h"
#include "connection/ModMain.h"
#include "mainwindow/MainServices.h"
#include "mainwindow/frmMain.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;

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
        services.showAttachWindow = [&](const QString&) {
            c.attachInWindow(toolkit, folder.path());
        };
        frmMain window(std::move(services));
        window.Form_Load();
        if (!c.database.isEmpty())
            window.Combo_DB->setCurrentIndex(window.Combo_DB->findText(c.database));
        for (int row = 0; row < window.TV_Ope->topLevelItemCount(); ++row) {
            QTreeWidgetItem* node = window.TV_Ope->topLevelItem(row);
            if (node->data(0, frmMain::kNodeKeyRole).toString() == c.key)
                window.TV_Ope->setCurrentItem(node);
        }
        sim.clearJournal();
        window.TV_Ope_DblClick();
        return {journal(sim), window.resultText()};
    }

    // The command line's run of the case: the journal after its login and what it printed.
    std::pair<QStringList, CliRun> runInCli(const Case& c) {
        Server server(c.scenario, folder.path());
        QStringList arguments{u"run"_s, c.key, c.database};
        if (c.key == u"ATTACH"_s) {
            arguments.clear();
            arguments = c.attachArguments;
        }
        const CliRun run = runCli(*server.sim, arguments);
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
// same batches, in the same databases, and the same text.
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
    // The attaches the two-file statement cannot make: three files, a renamed primary file.
    for (const QString& primary : {u"市场调查.MDF"_s, u"Renamed.MDF"_s})
        cases.push_back({u"ATTACH"_s,
                         kDemo,
                         {},
                         {u"attach"_s, u"C:\\Attach\\"_s + primary},
                         [primary](RecordingToolkit& t, const QString&) {
                             primaryFileWindow(t, u"C:\\Attach\\"_s + primary, {});
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

    for (const Case& c : cases) {
        const QString label = c.key + u' ' + c.attachArguments.join(u' ');
        SCOPED_TRACE(label.toStdString());
        const auto [windowJournal, windowText] = runInWindow(c);
        const auto [cliJournal, cli] = runInCli(c);
        EXPECT_FALSE(windowJournal.isEmpty());
        EXPECT_EQ(cliJournal, windowJournal);
        EXPECT_EQ(cli.out, windowText.toUtf8());
        // A window's message box is one line of standard error: the attach's success here.
        if (c.key == u"ATTACH"_s) {
            EXPECT_TRUE(cli.err.endsWith("附加成功！\n")) << cli.err.constData();
        }
        EXPECT_EQ(cli.status, c.status) << cli.err.constData();
    }
}

// The exit statuses, each from a real case, with the JSON report parsed.
TEST_F(CliE2eTest, ExitStatusesAndTheJsonReport) {
    const QString password = u"Pa$$ w0rd!"_s;
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
