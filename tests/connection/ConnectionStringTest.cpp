// The connection string ConnectServer builds, how it is read back, and the ODBC string made of it.

#include "connection/ModMain.h"
#include "connection/core/ConnectionString.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tarnwick::OleDbSettings;

namespace {

TEST(BuildConnectionString, JoinsThePiecesUnchanged) {
    struct Case {
        QString server;
        QString password;
        QString expected;
    };
    const Case cases[] = {
        {u"DBSERVER"_s, u"secret"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = secret;"
         "Initial Catalog=master;Data Source=DBSERVER"_s},
        {u"DBSERVER"_s, u""_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = ;"
         "Initial Catalog=master;Data Source=DBSERVER"_s},
        // A password that the separator or the trimming would cut short goes in quotes.
        {u"  host,1433 "_s, u" pw "_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = \" pw \";"
         "Initial Catalog=master;Data Source=  host,1433 "_s},
        {u"a;b"_s, u"x;y=z"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = \"x;y=z\";"
         "Initial Catalog=master;Data Source=a;b"_s},
        {u"h"_s, u"a;b}c"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = \"a;b}c\";"
         "Initial Catalog=master;Data Source=h"_s},
        {u"h"_s, u"\"q\"\"'"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = "
         "\"\"\"q\"\"\"\"'\";Initial Catalog=master;Data Source=h"_s},
        {u"h"_s, u"a\"b{c}"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = a\"b{c};"
         "Initial Catalog=master;Data Source=h"_s},
        {u"(local)\\实例"_s, u"密码"_s,
         u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;PassWord = 密码;"
         "Initial Catalog=master;Data Source=(local)\\实例"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModMain::buildConnectionString(c.server, c.password), c.expected)
            << c.server.toStdString();
}

TEST(ParseOleDbConnectionString, ReadsTheBuiltString) {
    struct Case {
        QString password;
        QString server;
        QString expectedPassword;
        QString expectedServer;
    };
    const Case cases[] = {
        // Every password comes back as typed; the server name is trimmed.
        {u"secret"_s, u"DBSERVER"_s, u"secret"_s, u"DBSERVER"_s},
        {u""_s, u"DBSERVER"_s, u""_s, u"DBSERVER"_s},
        {u"   "_s, u"DBSERVER"_s, u"   "_s, u"DBSERVER"_s},
        {u" a b "_s, u"  srv  "_s, u" a b "_s, u"srv"_s},
        {u"ab;cd"_s, u"srv"_s, u"ab;cd"_s, u"srv"_s},
        {u"ab;Data Source=evil"_s, u"srv"_s, u"ab;Data Source=evil"_s, u"srv"_s},
        {u"a=b"_s, u"srv"_s, u"a=b"_s, u"srv"_s},
        {u"{x}"_s, u"srv"_s, u"{x}"_s, u"srv"_s},
        {u"a;b}c"_s, u"srv"_s, u"a;b}c"_s, u"srv"_s},
        {u"x};PORT=1"_s, u"srv"_s, u"x};PORT=1"_s, u"srv"_s},
        {u"\"q\"\"'"_s, u"srv"_s, u"\"q\"\"'"_s, u"srv"_s},
        {u"'a;b"_s, u"srv"_s, u"'a;b"_s, u"srv"_s},
        {u"a\"b"_s, u"srv"_s, u"a\"b"_s, u"srv"_s},
        {u"口令"_s, u"服务器"_s, u"口令"_s, u"服务器"_s},
    };
    for (const Case& c : cases) {
        const OleDbSettings settings = tarnwick::parseOleDbConnectionString(
            ModMain::buildConnectionString(c.server, c.password));
        EXPECT_EQ(settings.password, c.expectedPassword) << c.password.toStdString();
        EXPECT_EQ(settings.dataSource, c.expectedServer) << c.server.toStdString();
        EXPECT_EQ(settings.userId, u"sa"_s);
        EXPECT_EQ(settings.initialCatalog, u"master"_s);
        EXPECT_EQ(settings.provider, u"SQLOLEDB.1"_s);
    }
}

TEST(ParseOleDbConnectionString, KeysAreCaseInsensitiveAndUnknownOnesIgnored) {
    const OleDbSettings settings = tarnwick::parseOleDbConnectionString(
        u"PROVIDER=p; user id = u ;PASSWORD= p w ;initial catalog=db;DATA SOURCE=h;Foo=bar;;junk"_s);
    EXPECT_EQ(settings.provider, u"p"_s);
    EXPECT_EQ(settings.userId, u"u"_s);
    EXPECT_EQ(settings.password, u"p w"_s);
    EXPECT_EQ(settings.initialCatalog, u"db"_s);
    EXPECT_EQ(settings.dataSource, u"h"_s);
}

TEST(ParseOleDbConnectionString, QuotedValuesRunToTheirClosingQuote) {
    const std::pair<QString, QString> cases[] = {
        {u"Password='it''s';Data Source=h"_s, u"it's"_s},
        {u"Password = \"a;b\" ;Data Source=h"_s, u"a;b"_s},
        {u"Password=\"a;b\"junk;Data Source=h"_s, u"a;b"_s},  // after the quote: ignored
        {u"Password=\"unclosed;Data Source=h"_s, u"unclosed;Data Source=h"_s},
        {u"Password=a\"b;Data Source=h"_s, u"a\"b"_s},  // a quote inside is a character
    };
    for (const auto& [text, password] : cases) {
        const OleDbSettings settings = tarnwick::parseOleDbConnectionString(text);
        EXPECT_EQ(settings.password, password) << text.toStdString();
    }
}

TEST(ParseServerName, MapsLocalNamesInstancesAndPorts) {
    struct Case {
        QString name;
        QString host;
        QString instance;
        QString port;
    };
    const Case cases[] = {
        {u"DBSERVER"_s, u"DBSERVER"_s, u""_s, u""_s},
        {u"(local)"_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u"(LOCAL)"_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u"."_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u"LocalHost"_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u"  (local)  "_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u""_s, u"127.0.0.1"_s, u""_s, u""_s},
        {u"(local)\\inst"_s, u"127.0.0.1"_s, u"inst"_s, u""_s},
        {u".\\SQL2000"_s, u"127.0.0.1"_s, u"SQL2000"_s, u""_s},
        {u"host\\inst"_s, u"host"_s, u"inst"_s, u""_s},
        {u"10.0.0.5,1433"_s, u"10.0.0.5"_s, u""_s, u"1433"_s},
        {u" host , 2433 "_s, u"host"_s, u""_s, u"2433"_s},
        {u"localhost,50000"_s, u"127.0.0.1"_s, u""_s, u"50000"_s},
        {u"host\\inst,1500"_s, u"host"_s, u"inst"_s, u"1500"_s},
        {u"数据库服务器"_s, u"数据库服务器"_s, u""_s, u""_s},
    };
    for (const Case& c : cases) {
        const tarnwick::ServerAddress address = tarnwick::parseServerName(c.name);
        EXPECT_EQ(address.host, c.host) << c.name.toStdString();
        EXPECT_EQ(address.instance, c.instance) << c.name.toStdString();
        EXPECT_EQ(address.port, c.port) << c.name.toStdString();
    }
}

TEST(QuoteOdbcValue, BracesOnlyWhatNeedsThem) {
    struct Case {
        QString value;
        QString expected;
    };
    const Case cases[] = {
        {u"secret"_s, u"secret"_s}, {u""_s, u""_s},         {u"a b"_s, u"a b"_s},
        {u"a=b"_s, u"a=b"_s},       {u"a;b"_s, u"{a;b}"_s}, {u"{ab"_s, u"{{ab}"_s},
        {u"ab}"_s, u"{ab}}"_s},     {u" ab"_s, u"{ ab}"_s}, {u"ab "_s, u"{ab }"_s},
        {u"密码"_s, u"密码"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::quoteOdbcValue(c.value), c.expected) << c.value.toStdString();
    // FreeTDS would end the braced value at "};"; a "}" elsewhere passes.
    EXPECT_FALSE(tarnwick::odbcValuePassable(u"a};b"_s));
    EXPECT_TRUE(tarnwick::odbcValuePassable(u"a;b}c"_s));
}

TEST(OdbcConnectionString, MapsEveryKey) {
    struct Case {
        QString oleDb;
        QString driver;
        QString version;
        QString expected;
        tarnwick::ServerNameKind kind = tarnwick::ServerNameKind::Host;
    };
    const Case cases[] = {
        {ModMain::buildConnectionString(u"DBSERVER"_s, u"secret"_s), u"FreeTDS"_s, u"7.1"_s,
         u"DRIVER={FreeTDS};SERVER=DBSERVER;PORT=1433;UID=sa;PWD=secret;DATABASE=master;TDS_"
         u"Version=7.1;"
         "ClientCharset=UTF-8;"_s},
        {ModMain::buildConnectionString(u"(local)"_s, u""_s), u"FreeTDS"_s, u"7.0"_s,
         u"DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1433;UID=sa;PWD=;DATABASE=master;TDS_Version=7.0;"
         "ClientCharset=UTF-8;"_s},
        {ModMain::buildConnectionString(u" 127.0.0.1,14330 "_s, u"p}w{"_s),
         u"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"_s, u"7.1"_s,
         u"DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;SERVER=127.0.0.1;PORT=14330;UID=sa;"
         "PWD={p}w{};DATABASE=master;TDS_Version=7.1;ClientCharset=UTF-8;"_s},
        {ModMain::buildConnectionString(u"(local)\\inst"_s, u"x"_s), u"FreeTDS"_s, u"7.1"_s,
         u"DRIVER={FreeTDS};SERVER=127.0.0.1\\inst;UID=sa;PWD=x;DATABASE=master;TDS_Version=7.1;"
         "ClientCharset=UTF-8;"_s},
        {u"User ID=sa;Password=口令;Initial Catalog=库 ;Data Source=服务器"_s, u"FreeTDS"_s,
         u"7.1"_s,
         u"DRIVER={FreeTDS};SERVER=服务器;PORT=1433;UID=sa;PWD=口令;DATABASE=库;TDS_Version=7.1;"
         "ClientCharset=UTF-8;"_s},
        {u"Data Source=h"_s, u"My Driver"_s, u"7.1"_s,
         u"DRIVER={My Driver};SERVER=h;PORT=1433;UID=;PWD=;DATABASE=;TDS_Version=7.1;ClientCharset=UTF-8;"_s},
        // A FreeTDS section brings its own host and port; a data source its own driver too.
        {ModMain::buildConnectionString(u" Sales "_s, u"pw"_s), u"FreeTDS"_s, u"7.1"_s,
         u"DRIVER={FreeTDS};SERVERNAME=Sales;UID=sa;PWD=pw;DATABASE=master;TDS_Version=7.1;"
         "ClientCharset=UTF-8;"_s,
         tarnwick::ServerNameKind::FreeTdsServer},
        {ModMain::buildConnectionString(u"Archive DSN"_s, u"pw"_s), u"FreeTDS"_s, u"7.0"_s,
         u"DSN=Archive DSN;UID=sa;PWD=pw;DATABASE=master;TDS_Version=7.0;ClientCharset=UTF-8;"_s,
         tarnwick::ServerNameKind::OdbcDataSource},
    };
    for (const Case& c : cases) {
        const QString odbc = tarnwick::odbcConnectionString(
            tarnwick::parseOleDbConnectionString(c.oleDb), c.driver, c.version, c.kind);
        EXPECT_EQ(odbc, c.expected) << c.oleDb.toStdString();
    }
}

TEST(ServerNameKind, SectionsThenDataSourcesByPlainNameElseAHost) {
    using tarnwick::ServerNameKind;
    const QStringList sections{u"Sales"_s, u"Both"_s, u"localhost"_s};
    const QStringList dataSources{u"Archive"_s, u"Both"_s};
    const std::pair<QString, ServerNameKind> cases[] = {
        {u"Sales"_s, ServerNameKind::FreeTdsServer},
        {u" sales "_s, ServerNameKind::FreeTdsServer},  // blanks and case do not matter
        {u"Archive"_s, ServerNameKind::OdbcDataSource},
        {u"Both"_s, ServerNameKind::FreeTdsServer},
        {u"Sales,1433"_s, ServerNameKind::Host},
        {u"Sales\\inst"_s, ServerNameKind::Host},
        {u"localhost"_s, ServerNameKind::Host},  // this computer stays this computer
        {u"db.example"_s, ServerNameKind::Host},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(tarnwick::serverNameKind(name, sections, dataSources), kind)
            << name.toStdString();
}

}  // namespace
