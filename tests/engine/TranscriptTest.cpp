// Replays the transcripts of tests/data/transcripts: batches sent to the engine and the tokens it
// answers, written out as text. A transcript file starts with "scenario: NAME" (a file of
// sqlsim/scenarios without ".json", or a file of tests/data), optionally "sa password: TEXT" to
// serve it with that password and "server files: stored" to store its files under a fresh folder
// for each case, as sqlsim --files does; then cases:
//
//   === what the case shows
//   > one line of a batch              (consecutive "> " lines form one batch)
//   >2 a batch on the second connection (connections log in as sa into master when first used)
//   go                                 (any other line ends a batch; "go" reads well)
//   >state Warehouse                    (the server state of a database, as one STATE line)
//   >login2 SA|secret|Sales             (connection 2 logs in: user|password|database; the
//                                        outcome, then the tokens)
//   < the expected answer, one token a line; "-- N" starts the answer to the Nth step
//
// Every case gets a fresh server. With TRANSCRIPT_UPDATE=1 the runner writes the answers it got
// back into the files instead of comparing (review the diff before committing).

#include "sqlsim/engine/Engine.h"
#include "sqlsim/engine/PrimaryFile.h"
#include "sqlsim/engine/Scenario.h"
#include "tests/support/GTestQtPrinters.h"
#include "tests/support/TranscriptFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;

using namespace sqlsim;
using tarnwick::test::TranscriptCase;
using tarnwick::test::TranscriptFile;
using tarnwick::test::transcriptNames;

namespace {

QString cellText(const Cell& c) {
    if (c.isNull()) return u"NULL"_s;
    if (c.typeId() == QMetaType::QByteArray)
        return u"0x"_s + QString::fromLatin1(c.toByteArray().toHex().toUpper());
    if (c.typeId() == QMetaType::QDateTime)
        return c.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
    QString s = c.toString();
    s.replace(u'\n', u"\\n"_s).replace(u'\t', u"\\t"_s);
    qsizetype blanks = 0;
    while (blanks < s.size() && s[s.size() - 1 - blanks] == u' ') ++blanks;
    if (blanks > 0) s = s.chopped(blanks) + u"{+%1 blanks}"_s.arg(blanks);
    return s;
}

QString typeText(const ColumnDef& c) {
    switch (c.type) {
        case ColumnType::Int:
            return u"int"_s;
        case ColumnType::SmallInt:
            return u"smallint"_s;
        case ColumnType::TinyInt:
            return u"tinyint"_s;
        case ColumnType::NVarChar:
            return u"nvarchar(%1)"_s.arg(c.length);
        case ColumnType::NChar:
            return u"nchar(%1)"_s.arg(c.length);
        case ColumnType::VarChar:
            return u"varchar(%1)"_s.arg(c.length);
        case ColumnType::Char:
            return u"char(%1)"_s.arg(c.length);
        case ColumnType::VarBinary:
            return u"varbinary(%1)"_s.arg(c.length);
        case ColumnType::DateTime:
            return u"datetime"_s;
        case ColumnType::Variant:
            return u"sql_variant"_s;
    }
    return {};
}

// A sql_variant cell shows the base type it goes out with: "int:539".
QString cellText(const ColumnDef& column, const Cell& c) {
    if (column.type != ColumnType::Variant || c.isNull()) return cellText(c);
    return typeText(variantBaseOf(c)) + u':' + cellText(c);
}

QStringList render(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens) {
        if (const auto* r = std::get_if<ResultSet>(&t)) {
            QStringList columns;
            for (const ColumnDef& c : r->columns)
                columns << (c.name.isEmpty() ? u"?"_s : c.name) + u':' + typeText(c);
            out << u"RESULT "_s + columns.join(u", "_s);
            for (const auto& row : r->rows) {
                QStringList cells;
                for (qsizetype i = 0; i < row.size(); ++i)
                    cells << cellText(r->columns.value(i), row[i]);
                out << u"  ROW "_s + cells.join(u" | "_s);
            }
        } else if (const auto* m = std::get_if<Message>(&t)) {
            QString line =
                u"%1 %2 sev %3 state %4 line %5"_s.arg(m->severity > 10 ? u"ERROR"_s : u"INFO"_s)
                    .arg(m->number)
                    .arg(m->severity)
                    .arg(m->state)
                    .arg(m->line);
            if (!m->procName.isEmpty()) line += u" proc "_s + m->procName;
            out << line + u": "_s + m->text;
        } else if (const auto* c = std::get_if<DatabaseChange>(&t)) {
            out << u"ENVCHANGE database %1 -> %2"_s.arg(c->oldDatabase, c->newDatabase);
        } else if (const auto* d = std::get_if<Done>(&t)) {
            QString line = d->kind == Done::Kind::Done         ? u"DONE"_s
                           : d->kind == Done::Kind::DoneInProc ? u"DONEINPROC"_s
                                                               : u"DONEPROC"_s;
            if (d->error) line += u" error"_s;
            if (d->count) line += u" count %1"_s.arg(d->rowCount);
            out << line;
        } else if (const auto* s = std::get_if<ReturnStatus>(&t)) {
            out << u"RETURN %1"_s.arg(s->value);
        } else if (const auto* v = std::get_if<ReturnValue>(&t)) {
            out << u"RETVAL %1 = %2"_s.arg(v->name, cellText(v->value));
        }
    }
    return out;
}

QString stateLine(Engine& engine, const QString& database) {
    if (!engine.databaseExists(database)) return u"STATE "_s + database + u" missing"_s;
    return u"STATE %1 single-user %2 findings %3 sessions [%4]"_s
        .arg(database, engine.isSingleUser(database) ? u"yes"_s : u"no"_s)
        .arg(engine.findingCount(database))
        .arg(engine.sessionsIn(database).join(u','));
}

struct Step {
    QString kind;  // "batch" on a connection number, or "state"
    int connection = 1;
    QString text;
};

// Consecutive "> " lines of one connection form a batch; any other line ends it.
std::vector<Step> stepsOf(const QStringList& lines) {
    static const QRegularExpression onConnection(u"^>(\\d*) ?(.*)$"_s);
    std::vector<Step> steps;
    bool lastWasBatch = false;
    for (const QString& line : lines) {
        static const QRegularExpression login(u"^>login(\\d*) (.*)$"_s);
        if (line.startsWith(u">state "_s)) {
            steps.push_back(Step{u"state"_s, 1, line.mid(7)});
            lastWasBatch = false;
        } else if (const auto l = login.match(line); l.hasMatch()) {
            const int connection = l.captured(1).isEmpty() ? 1 : l.captured(1).toInt();
            steps.push_back(Step{u"login"_s, connection, l.captured(2)});
            lastWasBatch = false;
        } else if (line.startsWith(u'>')) {
            const auto m = onConnection.match(line);
            const int connection = m.captured(1).isEmpty() ? 1 : m.captured(1).toInt();
            if (lastWasBatch && steps.back().connection == connection)
                steps.back().text += u'\n' + m.captured(2);
            else
                steps.push_back(Step{u"batch"_s, connection, m.captured(2)});
            lastWasBatch = true;
        } else {
            lastWasBatch = false;
        }
    }
    return steps;
}

QString scenarioPath(const QString& name) {
    const QString shipped =
        QStringLiteral(TARNWICK_SOURCE_DIR "/sqlsim/scenarios/") + name + u".json"_s;
    return QFile::exists(shipped) ? shipped : QStringLiteral(TARNWICK_TEST_DATA "/") + name;
}

QStringList replay(Scenario scenario, const std::vector<Step>& steps, bool storeFiles) {
    QTemporaryDir files;
    if (storeFiles) storeServerFiles(scenario, files.path());
    auto engine = Engine::create(scenario);
    std::map<int, std::unique_ptr<Session>> sessions;
    QStringList out;
    int number = 0;
    for (const Step& step : steps) {
        if (steps.size() > 1) out << u"-- %1"_s.arg(++number);
        if (step.kind == u"state") {
            out << stateLine(*engine, step.text);
            continue;
        }
        auto& session = sessions[step.connection];
        if (step.kind == u"login") {
            const QStringList fields = step.text.split(u'|');
            session = engine->newSession(50 + step.connection);
            LoginRequest login;
            login.tdsVersion = 0x71000001;
            login.user = fields.value(0);
            login.password = fields.value(1);
            login.database = fields.value(2);
            const Session::LoginOutcome outcome = session->login(login);
            out << (outcome.accepted ? u"LOGIN accepted"_s : u"LOGIN refused"_s) +
                       (outcome.reply.closeConnection ? u", connection closed"_s : QString());
            out << render(outcome.reply);
            if (!outcome.accepted) sessions.erase(step.connection);
            continue;
        }
        if (!session) {
            session = engine->newSession(50 + step.connection);
            LoginRequest login;
            login.tdsVersion = 0x71000001;
            login.user = u"sa"_s;
            login.password = scenario.saPassword;
            EXPECT_TRUE(session->login(login).accepted);
        }
        out << render(session->executeBatch(step.text));
    }
    return out;
}

class Transcripts : public ::testing::TestWithParam<QString> {};

TEST_P(Transcripts, AnswerAsRecorded) {
    TranscriptFile t =
        TranscriptFile::read(QStringLiteral(TARNWICK_TEST_DATA "/transcripts/") + GetParam());
    ASSERT_TRUE(t.header.contains(u"scenario"_s)) << "no scenario line";
    Scenario scenario = Scenario::fromFile(scenarioPath(t.header[u"scenario"_s]));
    if (t.header.contains(u"sa password"_s)) scenario.saPassword = t.header[u"sa password"_s];
    std::vector<QStringList> answers;
    const bool storeFiles =
        t.header.contains(u"server files"_s) && t.header[u"server files"_s] == u"stored"_s;
    for (const TranscriptCase& c : t.cases)
        answers.push_back(replay(scenario, stepsOf(c.steps), storeFiles));
    t.check(answers);
}

INSTANTIATE_TEST_SUITE_P(Engine, Transcripts,
                         ::testing::ValuesIn(transcriptNames(u"transcripts"_s)),
                         [](const ::testing::TestParamInfo<QString>& file) {
                             QString name = file.param.chopped(4);
                             name.replace(QRegularExpression(u"[^A-Za-z0-9]"_s), u"_"_s);
                             return name.toStdString();
                         });

}  // namespace
