#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

namespace sqlsim::testing {

Scenario testScenario(Profile profile, const QString& saPassword) {
    Scenario s = Scenario::fromFile(QStringLiteral(TARNWICK_TEST_DATA "/engine-tests.json"));
    s.profile = profile;
    s.saPassword = saPassword;
    return s;
}

std::unique_ptr<Session> loginAs(Engine& engine, int spid, const QString& password, const QString& database) {
    auto session = engine.newSession(spid);
    LoginRequest request;
    request.tdsVersion = 0x71000001;
    request.user = QStringLiteral("sa");
    request.password = password;
    request.database = database;
    const auto outcome = session->login(request);
    EXPECT_TRUE(outcome.accepted);
    return session;
}

QStringList messageTexts(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens)
        if (const auto* m = std::get_if<Message>(&t))
            out << m->text;
    return out;
}

QStringList errors(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens)
        if (const auto* m = std::get_if<Message>(&t); m && m->severity > 10)
            out << QStringLiteral("%1: %2").arg(m->number).arg(m->text);
    return out;
}

QStringList column(const Reply& reply, int index, int resultIndex) {
    QStringList out;
    for (const Token& t : reply.tokens) {
        const auto* set = std::get_if<ResultSet>(&t);
        if (!set || resultIndex-- > 0) continue;
        for (const auto& row : set->rows)
            out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
        break;
    }
    return out;
}

QString shape(const Reply& reply) {
    QStringList parts;
    for (const Token& t : reply.tokens) {
        if (const auto* r = std::get_if<ResultSet>(&t)) {
            parts << QStringLiteral("RESULT(%1x%2)").arg(r->columns.size()).arg(r->rows.size());
        } else if (const auto* m = std::get_if<Message>(&t)) {
            parts << QStringLiteral("%1(%2)").arg(m->severity > 10 ? QStringLiteral("ERROR") : QStringLiteral("INFO"))
                         .arg(m->number);
        } else if (std::holds_alternative<DatabaseChange>(t)) {
            parts << QStringLiteral("ENVDB");
        } else if (const auto* d = std::get_if<Done>(&t)) {
            QString name = d->kind == Done::Kind::Done         ? QStringLiteral("DONE")
                           : d->kind == Done::Kind::DoneInProc ? QStringLiteral("DONEINPROC")
                                                               : QStringLiteral("DONEPROC");
            QStringList flags;
            if (d->error)
                flags << QStringLiteral("error");
            if (d->count)
                flags << QStringLiteral("count %1").arg(d->rowCount);
            parts << (flags.isEmpty() ? name : name + u'(' + flags.join(u',') + u')');
        } else if (const auto* rs = std::get_if<ReturnStatus>(&t)) {
            parts << QStringLiteral("RETURN(%1)").arg(rs->value);
        } else if (std::holds_alternative<ReturnValue>(t)) {
            parts << QStringLiteral("RETVAL");
        }
    }
    return parts.join(u' ');
}

}  // namespace sqlsim::testing
