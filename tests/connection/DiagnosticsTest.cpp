// Which diagnostic record a failure reports, and its text without the driver's prefixes.

#include "connection/core/OdbcDiagnostics.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::DiagnosticRecord;

namespace {

TEST(StripDriverPrefixes, RemovesOnlyLeadingBracketGroups) {
    struct Case {
        QString message;
        QString expected;
    };
    const Case cases[] = {
        {u"[FreeTDS][SQL Server]Login failed for user 'sa'."_s, u"Login failed for user 'sa'."_s},
        {u"[unixODBC][FreeTDS][SQL Server]Unknown host machine name."_s,
         u"Unknown host machine name."_s},
        {u"Plain text"_s, u"Plain text"_s},
        {u"[FreeTDS][SQL Server]Invalid object name '[dbo].[t]'."_s,
         u"Invalid object name '[dbo].[t]'."_s},
        {u"[FreeTDS][SQL Server]无法打开数据库"_s, u"无法打开数据库"_s},
        {u"[unclosed text"_s, u"[unclosed text"_s},
        {u""_s, u""_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::stripDriverPrefixes(c.message), c.expected) << c.message.toStdString();
}

TEST(StatementErrorRecord, PrefersTheServersErrorOverWarningsAndDriverErrors) {
    const std::vector<DiagnosticRecord> useFailed = {
        {u"08004"_s, 911,
         u"[FreeTDS][SQL Server]Could not locate entry in sysdatabases for database 'x'."_s},
        {u"HY000"_s, 0, u"[FreeTDS][SQL Server]Could not change database"_s},
    };
    EXPECT_EQ(tarnwick::statementErrorRecord(useFailed)->nativeError, 911);

    const std::vector<DiagnosticRecord> driverFirst = {
        {u"HY000"_s, 0, u"[FreeTDS][SQL Server]Could not change database"_s},
        {u"42000"_s, 924,
         u"[FreeTDS][SQL Server]Database 'x' is already open and can only have one user at a time."_s},
    };
    EXPECT_EQ(tarnwick::statementErrorRecord(driverFirst)->nativeError, 924);

    const std::vector<DiagnosticRecord> infoBeforeError = {
        {u"01000"_s, 5701, u"[FreeTDS][SQL Server]Changed database context to 'pubs'."_s},
        {u"42S02"_s, 208, u"[FreeTDS][SQL Server]Invalid object name 'x'."_s},
    };
    EXPECT_EQ(tarnwick::statementErrorRecord(infoBeforeError)->nativeError, 208);

    const std::vector<DiagnosticRecord> onlyDriver = {
        {u"01000"_s, 5701, u"[FreeTDS][SQL Server]Changed database context to 'pubs'."_s},
        {u"08S01"_s, 0, u"[FreeTDS][SQL Server]Communication link failure"_s},
    };
    EXPECT_EQ(tarnwick::statementErrorRecord(onlyDriver)->sqlState, u"08S01"_s);

    const std::vector<DiagnosticRecord> onlyWarnings = {{u"01000"_s, 0, u"w"_s}};
    EXPECT_EQ(tarnwick::statementErrorRecord(onlyWarnings)->message, u"w"_s);
    EXPECT_EQ(tarnwick::statementErrorRecord({}), nullptr);
}

TEST(ConnectErrorRecord, TheFirstNumberedRecordExplainsTheFailure) {
    const std::vector<DiagnosticRecord> unknownHost = {
        {u"01000"_s, 20013, u"[FreeTDS][SQL Server]Unknown host machine name."_s},
        {u"08001"_s, 0, u"[FreeTDS][SQL Server]Unable to connect to data source"_s},
    };
    EXPECT_EQ(tarnwick::connectErrorRecord(unknownHost)->nativeError, 20013);
    const std::vector<DiagnosticRecord> unnumbered = {{u"08001"_s, 0, u"a"_s},
                                                      {u"08001"_s, 0, u"b"_s}};
    EXPECT_EQ(tarnwick::connectErrorRecord(unnumbered)->message, u"a"_s);
}

TEST(ToDbError, CarriesTheTextWithoutPrefixesTheNumberAndTheState) {
    const DiagnosticRecord record{u"28000"_s, 18456,
                                  u"[FreeTDS][SQL Server]Login failed for user 'sa'."_s};
    const tarnwick::DbError error = tarnwick::toDbError(&record, u"fallback"_s);
    EXPECT_EQ(error.description(), u"Login failed for user 'sa'."_s);
    EXPECT_EQ(error.nativeError(), 18456);
    EXPECT_EQ(error.sqlState(), u"28000"_s);
    EXPECT_EQ(tarnwick::toDbError(nullptr, u"fallback"_s).description(), u"fallback"_s);
}

}  // namespace

namespace {

// The records FreeTDS gives for each way a login fails.
TEST(ServerClosedBeforeLogin, OnlyAnEarlyCloseIsTriedAgain) {
    const DiagnosticRecord unableToConnect{u"08001"_s, 0, u"Unable to connect to data source"_s};
    struct Case {
        const char* name;
        std::vector<DiagnosticRecord> records;
        bool retry;
    };
    const Case cases[] = {
        {"closed on pre-login",
         {unableToConnect,
          {u"01000"_s, 20017, u"Unexpected EOF from the server"_s},
          {u"01000"_s, 20002, u"Adaptive Server connection failed"_s}},
         true},
        {"read failed",
         {{u"08S01"_s, 20004, u"Read from the server failed"_s}, unableToConnect},
         true},
        {"wrong password",
         {{u"42000"_s, 18456, u"Login failed for user 'sa'."_s}, unableToConnect},
         false},
        {"login failure after an early end",
         {{u"01000"_s, 20017, u"Unexpected EOF from the server"_s},
          {u"42000"_s, 18456, u"Login failed for user 'sa'."_s}},
         false},
        {"refused",
         {{u"08S01"_s, 20009, u"Unable to connect: Adaptive Server is unavailable"_s},
          unableToConnect},
         false},
        {"unknown host",
         {unableToConnect, {u"01000"_s, 20013, u"Unknown host machine name."_s}},
         false},
        {"nothing numbered", {unableToConnect}, false},
        {"no records", {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::serverClosedBeforeLogin(c.records), c.retry) << c.name;
}

}  // namespace
