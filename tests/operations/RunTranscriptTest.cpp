// Replays the run transcripts of tests/data/runs: operations of the tree run by their keys through
// the real ODBC path to an embedded sqlsim, written out as what the server received, what the
// routine did with the wait panel and the result area, the message boxes, and the state left on
// the server. A file starts with "scenario: FILE" (tests/data or the source tree) and optionally
// "sa password: TEXT", "profile: 7.0", "collation: NAME" or "single-user switch: connection" (the
// repairs switch with sp_dboption on the program's connection); then cases, each on a fresh
// server:
//
// clang-format off
//   === what the case shows
//   hold Sales               another connection enters the database and stays until the case ends
//   single-user Sales        the database is set single-user, as the server's own tools would
//   fail TEXT                the next batch that is exactly TEXT fails with the server's error
//   close                    the program's connection is closed
//   run CHECKDB Sales        the operation with that key runs on the database (rest of the line)
//   state Sales              the database's state on the server
//   rebuilds Sales|Orders    how often the indexes of each table (after the database) were rebuilt
//   < the expected answer, one line each
// clang-format on
//
// Answer lines: "SENT [db] text" for every batch of the program's connection (with the database
// it arrived in), "SENT#n" for other connections; "CALLS" the host calls in order; "BOX style
// title (panel shown|hidden): text"; "TEXT" the result text with every CR and LF written as \r and
// \n and a line break after each. TRANSCRIPT_UPDATE=1 rewrites the answers.

#include "connection/ModMain.h"
#include "operations/OperationCatalogue.h"
#include "tests/operations/RecordingHost.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/RecordingToolkit.h"
#include "tests/support/SqlsimFixture.h"
#include "tests/support/TranscriptFile.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <memory>

using namespace Qt::StringLiterals;
using tarnwick::test::RecordingToolkit;
using tarnwick::test::SqlsimFixture;
using tarnwick::test::TranscriptFile;

namespace {

// The result text, one line after each line end, with CR and LF written out.
QStringList resultLines(const QString& text) {
    QStringList lines{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        lines.back() += ch == u'\r' ? u"\\r"_s : ch == u'\n' ? u"\\n"_s : QString(ch);
        const bool crAlone = ch == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n');
        if ((ch == u'\n' || crAlone) && i + 1 < text.size()) lines << QString();
    }
    return lines;
}

QString stateLine(sqlsim::Engine& engine, const QString& db) {
    if (!engine.databaseExists(db)) return u"STATE "_s + db + u" missing"_s;
    QStringList work;
    for (const QString& object : {u"DBCCRESULT"_s, u"spDBCCTABLE"_s})
        if (engine.objectExists(db, object)) work << object;
    return u"STATE %1: single-user %2, work objects %3, findings %4, sessions [%5]"_s.arg(
        db, engine.isSingleUser(db) ? u"yes"_s : u"no"_s,
        work.isEmpty() ? u"none"_s : work.join(u' '), QString::number(engine.findingCount(db)),
        engine.sessionsIn(db).join(u','));
}

class RunSession {
public:
    RunSession(const sqlsim::Scenario& scenario, tarnwick::SingleUserSwitch singleUserSwitch)
        : m_sim(scenario), m_switch(singleUserSwitch) {
        EXPECT_TRUE(m_sim.connect());
        m_mainConnection = m_sim.server().journal().back().conn;
        m_sim.clearJournal();
    }
    ~RunSession() {
        for (auto& c : m_held)
            if (c->isOpen()) c->close();
    }

    QStringList step(const QString& line) {
        const QString verb = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        if (verb == u"run") return run(rest.section(u' ', 0, 0), rest.section(u' ', 1));
        if (verb == u"state") return {stateLine(m_sim.engine(), rest)};
        if (verb == u"rebuilds") {
            const QStringList words = rest.split(u'|');
            QString out = u"REBUILDS"_s;
            for (const QString& table : words.mid(1))
                out += u' ' + table + u'=' +
                       QString::number(m_sim.engine().indexRebuilds(words[0], table));
            return {out};
        }
        if (verb == u"hold") {
            auto& c = m_held.emplace_back(std::make_unique<tarnwick::OdbcConnection>());
            c->open(ModMain::buildConnectionString(m_sim.serverName(), m_sim.password()));
            c->setDefaultDatabase(rest);
        } else if (verb == u"single-user") {
            m_sim.engine().setSingleUser(rest, true);
        } else if (verb == u"fail") {
            m_sim.server().addFault(
                {.pattern = QRegularExpression(
                     QRegularExpression::anchoredPattern(QRegularExpression::escape(rest)))});
        } else if (verb == u"close") {
            ModMain::serverConnection().Connection.close();
        } else {
            ADD_FAILURE() << "unknown step: " << line.toStdString();
        }
        m_sim.clearJournal();
        return {};
    }

private:
    QStringList run(const QString& key, const QString& database) {
        const tarnwick::CatalogueOperation* operation = tarnwick::findCatalogueOperation(key);
        if (!operation || !operation->routine) {
            ADD_FAILURE() << "no operation on a database: " << key.toStdString();
            return {};
        }
        RecordingHost host;
        host.singleUserSwitch = m_switch;
        QStringList boxes;
        m_toolkit.onMessageBox = [&](const RecordingToolkit::MessageBoxCall& box) {
            boxes << u"BOX %1 %2 (panel %3): %4"_s.arg(
                QString::number(box.style), box.shownTitle(),
                host.panelVisible() ? u"shown"_s : u"hidden"_s, box.text);
        };
        operation->routine(host, database);
        m_toolkit.onMessageBox = nullptr;

        QStringList out{u"-- run "_s + key + u' ' + database};
        for (const sqlsim::JournalEntry& e : m_sim.server().journal()) {
            // The window asks before every operation that may send a repair losing data.
            if (e.text.contains(u"REPAIR_ALLOW_DATA_LOSS"_s, Qt::CaseInsensitive)) {
                EXPECT_EQ(operation->dataLoss, tarnwick::DataLoss::Repair) << key.toStdString();
            }
            const QString who =
                e.conn == m_mainConnection ? u"SENT"_s : u"SENT#"_s + QString::number(e.conn);
            out << who + u" ["_s + e.db + u"] "_s + e.text;
        }
        m_sim.clearJournal();
        out << u"CALLS "_s + host.calls().join(u", "_s) << boxes;
        if (!host.resultText().isEmpty())
            for (const QString& l : resultLines(host.resultText())) out << u"TEXT "_s + l;
        return out;
    }

    RecordingToolkit m_toolkit;
    SqlsimFixture m_sim;
    int m_mainConnection = 0;
    tarnwick::SingleUserSwitch m_switch;
    std::vector<std::unique_ptr<tarnwick::OdbcConnection>> m_held;
};

class RunTranscripts : public testing::TestWithParam<QString> {};

TEST_P(RunTranscripts, RunAsRecorded) {
    TranscriptFile t = TranscriptFile::read(SqlsimFixture::dataPath(u"runs/"_s + GetParam()));
    sqlsim::Scenario scenario = SqlsimFixture::loadScenario(t.header[u"scenario"_s]);
    if (t.header.contains(u"sa password"_s)) scenario.saPassword = t.header[u"sa password"_s];
    if (t.header[u"profile"_s] == u"7.0") scenario.profile = sqlsim::Profile::Sql70;
    if (t.header.contains(u"collation"_s))
        scenario.collation = *sqlsim::Collation::byName(t.header[u"collation"_s]);
    const auto singleUserSwitch = t.header[u"single-user switch"_s] == u"connection"
                                      ? tarnwick::SingleUserSwitch::OnConnection
                                      : tarnwick::SingleUserSwitch::ServerShell;
    std::vector<QStringList> answers;
    for (const auto& c : t.cases) {
        SCOPED_TRACE(c.title.toStdString());
        RunSession run(scenario, singleUserSwitch);
        QStringList answer;
        for (const QString& line : c.steps) answer << run.step(line);
        answers.push_back(answer);
    }
    t.check(answers);
}

INSTANTIATE_TEST_SUITE_P(Ops, RunTranscripts,
                         testing::ValuesIn(tarnwick::test::transcriptNames(u"runs"_s)),
                         [](const testing::TestParamInfo<QString>& file) {
                             return file.param.chopped(4).replace(u'-', u'_').toStdString();
                         });

}  // namespace
