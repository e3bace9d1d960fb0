#pragma once
// A small stand-in for sqlsim's engine, for tests of the TDS server alone: answers a handful of
// fixed batches, accepts sa with one password, and records what reached it.

#include "sqlsim/engine/Engine.h"

#include <QMutex>
#include <QStringList>

#include <atomic>

namespace sqlsim::test {

inline const QString FakeBanner2000 = QStringLiteral(
    "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n\tCopyright (c) "
    "1988-2003 Microsoft Corporation\n\tEnterprise Edition on Windows NT 5.2 (Build 3790: Service Pack 1)\n");
inline const QString FakeBanner70 = QStringLiteral(
    "Microsoft SQL Server  7.00 - 7.00.623 (Intel X86) \n\tNov 27 1998 22:20:07 \n\tCopyright (c) "
    "1988-1998 Microsoft Corporation\n\tEnterprise Edition on Windows NT 5.0 (Build 2195: Service Pack 4)\n");

// Batches the fake knows (compared case-insensitively, surrounding blanks ignored):
//   select @@version                      one NVARCHAR row, the banner
//   select left(@@version,charindex('-',@@version)-1)
//   select Name from sysdatabases where Dbid>6 order by Name    rows "alpha", "beta"
//   use <db>                              ENVCHANGE + INFO 5701 (error 911 for "nodb")
//   select typed                          one row of every column type, and a row of NULLs
//   select rows <n> width <w>             n rows of one NVARCHAR(w) column
//   two errors                            INFO, ERROR+DONE_ERROR, then a second statement's DONE
//   quit                                  DONE, then the connection closes
//   throw                                 throws std::runtime_error
// Anything else: one DONE without count.
class FakeEngine : public Engine {
public:
    explicit FakeEngine(Profile profile = Profile::Sql2000, QString password = QStringLiteral("Secret1"));

    Profile profile() const override { return m_profile; }
    Collation collation() const override { return m_collation; }
    void setCollation(const Collation& collation) { m_collation = collation; }  // before the server starts
    QString versionBanner() const override;
    std::unique_ptr<Session> newSession(int spid) override;

    QStringList databaseNames() const override;
    bool databaseExists(const QString& name) const override;
    bool objectExists(const QString&, const QString&) const override { return false; }
    bool isSingleUser(const QString&) const override { return false; }
    QStringList sessionsIn(const QString& database) const override;

    // What reached the engine, for assertions.
    QStringList batches() const;
    std::vector<RpcCall> rpcs() const;
    std::vector<LoginRequest> logins() const;
    int disconnects() const { return m_disconnects; }

    // Used by the sessions.
    void recordBatch(const QString& text);
    void recordRpc(const RpcCall& call);
    void recordLogin(const LoginRequest& request);
    void recordDisconnect() { ++m_disconnects; }
    const QString& password() const { return m_password; }

private:
    Profile m_profile;
    Collation m_collation = Collation::standard();
    QString m_password;
    mutable QMutex m_mutex;
    QStringList m_batches;
    std::vector<RpcCall> m_rpcs;
    std::vector<LoginRequest> m_logins;
    std::atomic<int> m_disconnects{0};
};

}  // namespace sqlsim::test
