#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

namespace sqlsim::testing {

namespace {

ScenarioTable table(const QString& name, qint64 rows) {
    ScenarioTable t;
    t.name = name;
    t.rowCount = rows;
    return t;
}

ScenarioDatabase userDatabase(const QString& name, int dbid, std::vector<ScenarioTable> tables) {
    ScenarioDatabase db;
    db.name = name;
    db.dbid = dbid;
    const QString dir = QStringLiteral("D:\\Data\\");
    db.files.push_back({1, name + QStringLiteral("_Data"), dir + name + QStringLiteral("_Data.MDF"), 1, 2048, 1500});
    db.files.push_back({2, name + QStringLiteral("_Log"), dir + name + QStringLiteral("_Log.LDF"), 0, 4096, 3000});
    db.tables = std::move(tables);
    return db;
}

}  // namespace

Scenario testScenario(Profile profile, const QString& saPassword) {
    Scenario s = Scenario::standard(profile);
    s.saPassword = saPassword;
    s.serverName = QStringLiteral("TESTSRV");
    s.databases.push_back(userDatabase(QStringLiteral("Sales"), 7, {table(QStringLiteral("Orders"), 120)}));
    s.databases.push_back(userDatabase(QStringLiteral("销售数据"), 8, {table(QStringLiteral("客户"), 45)}));
    s.databases.push_back(userDatabase(QStringLiteral("my db"), 9, {table(QStringLiteral("Items"), 3)}));
    s.databases.push_back(userDatabase(QStringLiteral("o'brien"), 10, {}));

    ScenarioDatabase broken = userDatabase(QStringLiteral("Broken"), 11,
                                           {table(QStringLiteral("Suppliers"), 29), table(QStringLiteral("Parts"), 80)});
    broken.tables[0].objectId = 2137058649;
    ScenarioFinding consistency;
    consistency.error = 8928;
    consistency.table = QStringLiteral("Suppliers");
    consistency.indId = 1;
    consistency.page = 295;
    consistency.text = QStringLiteral(
        "Object ID 2137058649, index ID 1: Page (1:295) could not be processed. See other errors for details.");
    consistency.repairText = QStringLiteral("Repair: Page (1:295) has been deallocated from object ID 2137058649, "
                                            "index ID 1.");
    ScenarioFinding allocation;
    allocation.error = 2534;
    allocation.allocation = true;
    allocation.page = 410;
    allocation.text = QStringLiteral("Table error: Page (1:410), whose header indicates that it is allocated to "
                                     "object ID 2137058649, index ID 1, is allocated by another object.");
    allocation.repairText = QStringLiteral("Repair: Page (1:410) has been deallocated.");
    ScenarioFinding index;
    index.error = 8980;
    index.table = QStringLiteral("sysindexes");
    index.text = QStringLiteral("Table error: Object ID 2, index ID 1. Index node page (0:0), slot 0 refers to child "
                                "page (1:88) and previous child (0:0), but they were not encountered.");
    index.repairLevel = QStringLiteral("repair_rebuild");
    broken.findings = {consistency, allocation, index};
    s.databases.push_back(broken);

    DetachedDatabase archive;
    archive.path = QStringLiteral("C:\\Attach\\Archive_Data.MDF");
    archive.databaseName = QStringLiteral("Archive");
    archive.files = {{1, QStringLiteral("Archive_Data"), QStringLiteral("E:\\Old\\Archive_Data.MDF"), 1, true},
                     {2, QStringLiteral("Archive_Log"), QStringLiteral("E:\\Old\\Archive_Log.LDF"), 0, true}};
    archive.tables = {table(QStringLiteral("History"), 500)};
    DetachedDatabase lonely;
    lonely.path = QStringLiteral("C:\\Attach\\Lonely.MDF");
    lonely.databaseName = QStringLiteral("Lonely");
    lonely.files = {{1, QStringLiteral("Lonely"), QStringLiteral("E:\\Old\\Lonely.MDF"), 1, true},
                    {2, QStringLiteral("Lonely_log"), QStringLiteral("E:\\Old\\Lonely_log.LDF"), 0, false}};
    DetachedDatabase missing;
    missing.path = QStringLiteral("C:\\Attach\\Gone.MDF");
    missing.exists = false;
    missing.databaseName = QStringLiteral("Gone");
    missing.files = {{1, QStringLiteral("Gone"), QStringLiteral("E:\\Old\\Gone.MDF"), 1, false}};
    s.detached = {archive, lonely, missing};
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

QStringList messages(const Reply& reply) {
    QStringList out;
    for (const Token& t : reply.tokens)
        if (const auto* m = std::get_if<Message>(&t))
            out << QStringLiteral("%1|%2|%3").arg(m->number).arg(m->severity).arg(m->text);
    return out;
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

std::vector<ResultSet> results(const Reply& reply) {
    std::vector<ResultSet> out;
    for (const Token& t : reply.tokens)
        if (const auto* r = std::get_if<ResultSet>(&t))
            out.push_back(*r);
    return out;
}

QStringList column(const Reply& reply, int index, int resultIndex) {
    const auto sets = results(reply);
    QStringList out;
    if (resultIndex >= static_cast<int>(sets.size()))
        return out;
    for (const auto& row : sets[resultIndex].rows)
        out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
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

namespace sqlsim::testing::sent {

QString createResultTable() {
    return QStringLiteral(
        "create  table DBCCRESULT(Error           varchar(100),[Level]         varchar(100),State           "
        "varchar(100),MessageText varchar(4000),RepairLevel varchar(100),Status      varchar(100),DbId        "
        "varchar(100),[Id]        varchar(100),IndId       varchar(100),[File]      varchar(100),Page        "
        "varchar(100),Slot        varchar(100),RefFile     varchar(100),RefPage     varchar(100),RefSlot     "
        "varchar(100),Allocation VarChar(100))");
}

QString dropLeftoverTable() {
    return QStringLiteral("if Exists( Select * From sysObjects where name='DBCCRESULT' ) Drop Table DBCCRESULT");
}

QString dropLeftoverProc() {
    return QStringLiteral("if Exists( Select * From sysObjects where name='spDBCCTABLE' ) Drop Proc spDBCCTABLE");
}

QString captureProc(const QString& insertFragment, const QString& argument, const QString& closing) {
    return QStringLiteral("Create Proc spDBCCTABLE With Encryption As") + insertFragment + argument + closing;
}

QString singleUser(const QString& database, bool on) {
    return QStringLiteral("master..xp_cmdshell 'osql  -Usa -P -dMaster -Q\"sp_dboption   @dbname =  ''") + database +
           QStringLiteral("'',  @optname =  ''single user'',  @optvalue =  ''") +
           (on ? QStringLiteral("True") : QStringLiteral("False")) + QStringLiteral("''\"'");
}

QString eachTableRepair() {
    return QStringLiteral("INSERT INTO DBCCRESULT EXEC('SP_MSFOREACHTABLE  @COMMAND1=\"dbcc "
                          "checktable(''?'',REPAIR_ALLOW_DATA_LOSS) with TABLERESULTS \" ')");
}

QString eachTableReindex() {
    return QStringLiteral("SP_MSFOREACHTABLE @COMMAND1=\"DBCC DBREINDEX('?','')with NO_INFOMSGS\"");
}

}  // namespace sqlsim::testing::sent
