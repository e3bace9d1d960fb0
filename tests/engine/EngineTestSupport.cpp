#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace sqlsim::testing {

Scenario testScenario(Profile profile, const QString& saPassword) {
    Scenario s = Scenario::fromFile(QStringLiteral(TARNWICK_TEST_DATA "/engine-tests.json"));
    s.profile = profile;
    s.saPassword = saPassword;
    return s;
}

std::unique_ptr<Session> loginAs(Engine& engine, int spid, const QString& password,
                                 const QString& database) {
    auto session = engine.newSession(spid);
    LoginRequest request;
    request.tdsVersion = 0x71000001;
    request.user = u"sa"_s;
    request.password = password;
    request.database = database;
    const auto outcome = session->login(request);
    EXPECT_TRUE(outcome.accepted);
    return session;
}

QStringList messageTexts(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens)
        if (const auto* m = std::get_if<Message>(&t)) out << m->text;
    return out;
}

QStringList errors(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens)
        if (const auto* m = std::get_if<Message>(&t); m && m->severity > 10)
            out << u"%1: %2"_s.arg(m->number).arg(m->text);
    return out;
}

QStringList column(const Reply& reply, int index, int resultIndex) {
    QStringList out;
    for (const Token& t : reply.tokens) {
        const auto* set = std::get_if<ResultSet>(&t);
        if (!set || resultIndex-- > 0) continue;
        for (const auto& row : set->rows)
            out << (row[index].isNull() ? u"<null>"_s : row[index].toString());
        break;
    }
    return out;
}

QString shape(const Reply& reply) {
    QStringList parts;
    for (const Token& t : reply.tokens) {
        if (const auto* r = std::get_if<ResultSet>(&t)) {
            parts << u"RESULT(%1x%2)"_s.arg(r->columns.size()).arg(r->rows.size());
        } else if (const auto* m = std::get_if<Message>(&t)) {
            parts << u"%1(%2)"_s.arg(m->severity > 10 ? u"ERROR"_s : u"INFO"_s).arg(m->number);
        } else if (std::holds_alternative<DatabaseChange>(t)) {
            parts << u"ENVDB"_s;
        } else if (const auto* d = std::get_if<Done>(&t)) {
            QString name = d->kind == Done::Kind::Done         ? u"DONE"_s
                           : d->kind == Done::Kind::DoneInProc ? u"DONEINPROC"_s
                                                               : u"DONEPROC"_s;
            QStringList flags;
            if (d->error) flags << u"error"_s;
            if (d->count) flags << u"count %1"_s.arg(d->rowCount);
            parts << (flags.isEmpty() ? name : name + u'(' + flags.join(u',') + u')');
        } else if (const auto* rs = std::get_if<ReturnStatus>(&t)) {
            parts << u"RETURN(%1)"_s.arg(rs->value);
        } else if (std::holds_alternative<ReturnValue>(t)) {
            parts << u"RETVAL"_s;
        }
    }
    return parts.join(u' ');
}

}  // namespace sqlsim::testing
