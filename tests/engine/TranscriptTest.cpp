// Replays the transcripts of tests/data/transcripts: batches sent to the engine and the tokens it
// answers, written out as text. A transcript file starts with "scenario: NAME" (a file of
// sqlsim/scenarios without ".json", or a file of tests/data), optionally "sa password: TEXT" to
// serve it with that password; then cases:
//
//   === what the case shows
//   > one line of a batch              (consecutive "> " lines form one batch)
//   >2 a batch on the second connection (connections log in as sa into master when first used)
//   go                                 (any other line ends a batch; "go" reads well)
//   >state Warehouse                    (the server state of a database, as one STATE line)
//   < the expected answer, one token a line; "-- N" starts the answer to the Nth step
//
// Every case gets a fresh server. With TRANSCRIPT_UPDATE=1 the runner writes the answers it got
// back into the files instead of comparing (review the diff before committing).

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/Scenario.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace sqlsim;

namespace {

QString cellText(const Cell& c) {
    if (c.isNull()) return QStringLiteral("NULL");
    QString s = c.toString();
    s.replace(u'\n', QStringLiteral("\\n")).replace(u'\t', QStringLiteral("\\t"));
    qsizetype blanks = 0;
    while (blanks < s.size() && s[s.size() - 1 - blanks] == u' ') ++blanks;
    if (blanks > 0) s = s.chopped(blanks) + QStringLiteral("{+%1 blanks}").arg(blanks);
    return s;
}

QString typeText(const ColumnDef& c) {
    switch (c.type) {
        case ColumnType::Int:
            return QStringLiteral("int");
        case ColumnType::SmallInt:
            return QStringLiteral("smallint");
        case ColumnType::NVarChar:
            return QStringLiteral("nvarchar(%1)").arg(c.length);
        case ColumnType::NChar:
            return QStringLiteral("nchar(%1)").arg(c.length);
        case ColumnType::VarChar:
            return QStringLiteral("varchar(%1)").arg(c.length);
    }
    return {};
}

QStringList render(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens) {
        if (const auto* r = std::get_if<ResultSet>(&t)) {
            QStringList columns;
            for (const ColumnDef& c : r->columns)
                columns << (c.name.isEmpty() ? QStringLiteral("?") : c.name) + u':' + typeText(c);
            out << QStringLiteral("RESULT ") + columns.join(QStringLiteral(", "));
            for (const auto& row : r->rows) {
                QStringList cells;
                for (const Cell& c : row) cells << cellText(c);
                out << QStringLiteral("  ROW ") + cells.join(QStringLiteral(" | "));
            }
        } else if (const auto* m = std::get_if<Message>(&t)) {
            QString line =
                QStringLiteral("%1 %2 sev %3 state %4 line %5")
                    .arg(m->severity > 10 ? QStringLiteral("ERROR") : QStringLiteral("INFO"))
                    .arg(m->number)
                    .arg(m->severity)
                    .arg(m->state)
                    .arg(m->line);
            if (!m->procName.isEmpty()) line += QStringLiteral(" proc ") + m->procName;
            out << line + QStringLiteral(": ") + m->text;
        } else if (const auto* c = std::get_if<DatabaseChange>(&t)) {
            out << QStringLiteral("ENVCHANGE database %1 -> %2")
                       .arg(c->oldDatabase, c->newDatabase);
        } else if (const auto* d = std::get_if<Done>(&t)) {
            QString line = d->kind == Done::Kind::Done         ? QStringLiteral("DONE")
                           : d->kind == Done::Kind::DoneInProc ? QStringLiteral("DONEINPROC")
                                                               : QStringLiteral("DONEPROC");
            if (d->error) line += QStringLiteral(" error");
            if (d->count) line += QStringLiteral(" count %1").arg(d->rowCount);
            out << line;
        } else if (const auto* s = std::get_if<ReturnStatus>(&t)) {
            out << QStringLiteral("RETURN %1").arg(s->value);
        } else if (const auto* v = std::get_if<ReturnValue>(&t)) {
            out << QStringLiteral("RETVAL %1 = %2").arg(v->name, cellText(v->value));
        }
    }
    return out;
}

QString stateLine(Engine& engine, const QString& database) {
    if (!engine.databaseExists(database))
        return QStringLiteral("STATE ") + database + QStringLiteral(" missing");
    return QStringLiteral("STATE %1 single-user %2 findings %3 sessions [%4]")
        .arg(database, engine.isSingleUser(database) ? QStringLiteral("yes") : QStringLiteral("no"))
        .arg(engine.findingCount(database))
        .arg(engine.sessionsIn(database).join(u','));
}

struct Step {
    QString kind;  // "batch" on a connection number, or "state"
    int connection = 1;
    QString text;
};

struct Case {
    QString title;
    std::vector<Step> steps;
    QStringList expected;
    int expectedFrom = 0;  // first line of the expectation in the file
    int expectedTo = 0;    // one past its last line
    int stepsEnd = 0;      // one past the last step line
};

struct Transcript {
    QString scenario;
    std::optional<QString> saPassword;
    QStringList lines;
    std::vector<Case> cases;
};

Transcript readTranscript(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    Transcript t;
    t.lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!t.lines.isEmpty() && t.lines.back().isEmpty()) t.lines.removeLast();
    static const QRegularExpression onConnection(QStringLiteral("^>(\\d*) ?(.*)$"));
    bool lastWasBatch = false;
    for (int i = 0; i < t.lines.size(); ++i) {
        const QString& line = t.lines[i];
        if (line.startsWith(QStringLiteral("scenario: "))) {
            t.scenario = line.mid(10).trimmed();
        } else if (line.startsWith(QStringLiteral("sa password: "))) {
            t.saPassword = line.mid(13);
        } else if (line.startsWith(QStringLiteral("=== "))) {
            t.cases.push_back(Case{line.mid(4), {}, {}, i + 1, i + 1, i + 1});
        } else if (!t.cases.empty() && line.startsWith(QStringLiteral(">state "))) {
            t.cases.back().steps.push_back(Step{QStringLiteral("state"), 1, line.mid(7)});
            t.cases.back().stepsEnd = i + 1;
            lastWasBatch = false;
            continue;
        } else if (!t.cases.empty() && line.startsWith(u'>')) {
            const auto m = onConnection.match(line);
            const int connection = m.captured(1).isEmpty() ? 1 : m.captured(1).toInt();
            Case& c = t.cases.back();
            if (lastWasBatch && c.steps.back().connection == connection)
                c.steps.back().text += u'\n' + m.captured(2);
            else
                c.steps.push_back(Step{QStringLiteral("batch"), connection, m.captured(2)});
            c.stepsEnd = i + 1;
            lastWasBatch = true;
            continue;
        } else if (!t.cases.empty() && line.startsWith(u'<')) {
            Case& c = t.cases.back();
            if (c.expected.isEmpty()) c.expectedFrom = i;
            c.expected << line.mid(line.startsWith(QStringLiteral("< ")) ? 2 : 1);
            c.expectedTo = i + 1;
        }
        lastWasBatch = false;
    }
    for (Case& c : t.cases)
        if (c.expected.isEmpty()) c.expectedFrom = c.expectedTo = c.stepsEnd;
    return t;
}

QString scenarioPath(const QString& name) {
    const QString shipped =
        QStringLiteral(TARNWICK_SOURCE_DIR "/sqlsim/scenarios/") + name + QStringLiteral(".json");
    return QFile::exists(shipped) ? shipped : QStringLiteral(TARNWICK_TEST_DATA "/") + name;
}

QStringList replay(const Scenario& scenario, const Case& c) {
    auto engine = Engine::create(scenario);
    std::map<int, std::unique_ptr<Session>> sessions;
    QStringList out;
    int number = 0;
    for (const Step& step : c.steps) {
        if (c.steps.size() > 1) out << QStringLiteral("-- %1").arg(++number);
        if (step.kind == u"state") {
            out << stateLine(*engine, step.text);
            continue;
        }
        auto& session = sessions[step.connection];
        if (!session) {
            session = engine->newSession(50 + step.connection);
            LoginRequest login;
            login.tdsVersion = 0x71000001;
            login.user = QStringLiteral("sa");
            login.password = scenario.saPassword;
            EXPECT_TRUE(session->login(login).accepted);
        }
        out << render(session->executeBatch(step.text));
    }
    return out;
}

void rewrite(const QString& path, Transcript& t, const std::vector<QStringList>& answers) {
    // From the last case backwards so the line numbers of earlier cases stay valid.
    for (size_t k = t.cases.size(); k-- > 0;) {
        const Case& c = t.cases[k];
        QStringList lines;
        for (const QString& a : answers[k]) lines << QStringLiteral("< ") + a;
        t.lines = t.lines.mid(0, c.expectedFrom) + lines + t.lines.mid(c.expectedTo);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write((t.lines.join(u'\n') + u'\n').toUtf8());
}

class Transcripts : public ::testing::TestWithParam<QString> {};

TEST_P(Transcripts, AnswerAsRecorded) {
    const QString path = QStringLiteral(TARNWICK_TEST_DATA "/transcripts/") + GetParam();
    Transcript t = readTranscript(path);
    ASSERT_FALSE(t.scenario.isEmpty()) << "no scenario line";
    Scenario scenario = Scenario::fromFile(scenarioPath(t.scenario));
    if (t.saPassword) scenario.saPassword = *t.saPassword;
    const bool update = qEnvironmentVariableIntValue("TRANSCRIPT_UPDATE") == 1;
    std::vector<QStringList> answers;
    for (const Case& c : t.cases) {
        SCOPED_TRACE(c.title.toStdString());
        answers.push_back(replay(scenario, c));
        if (!update) {
            EXPECT_EQ(answers.back().join(u'\n').toStdString(),
                      c.expected.join(u'\n').toStdString());
        }
    }
    if (update) rewrite(path, t, answers);
}

std::vector<QString> transcriptFiles() {
    std::vector<QString> files;
    for (const QString& f : QDir(QStringLiteral(TARNWICK_TEST_DATA "/transcripts"))
                                .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name))
        files.push_back(f);
    return files;
}

INSTANTIATE_TEST_SUITE_P(Engine, Transcripts, ::testing::ValuesIn(transcriptFiles()),
                         [](const ::testing::TestParamInfo<QString>& file) {
                             QString name = file.param.chopped(4);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

}  // namespace
