#include "sqlsim/engine/Engine.h"

#include "sqlsim/engine/Scenario.h"
#include "sqlsim/engine/ServerState.h"
#include "sqlsim/engine/SessionImpl.h"

namespace sqlsim {

namespace {

class EngineImpl final : public Engine {
public:
    explicit EngineImpl(const Scenario& scenario)
        : m_state(std::make_shared<ServerState>(scenario)) {}

    Profile profile() const override { return m_state->profile; }
    QString versionBanner() const override { return m_state->banner; }
    Collation collation() const override { return m_state->collation; }

    std::unique_ptr<Session> newSession(int spid) override {
        return std::make_unique<SessionImpl>(m_state, spid);
    }

    void setDbccPagesPerSecond(double rate) override {
        m_state->dbccPagesPerSecond = rate > 0 ? rate : 0;
    }
    double dbccPagesPerSecond() const override { return m_state->dbccPagesPerSecond; }

    QStringList databaseNames() const override {
        std::lock_guard lock(m_state->mutex);
        QStringList names;
        for (const DatabaseState& db : m_state->databases) names << db.name;
        return names;
    }

    bool databaseExists(const QString& name) const override {
        std::lock_guard lock(m_state->mutex);
        return m_state->database(name) != nullptr;
    }

    bool objectExists(const QString& database, const QString& object) const override {
        std::lock_guard lock(m_state->mutex);
        const DatabaseState* db = m_state->database(database);
        return db && db->hasObject(object);
    }

    bool isSingleUser(const QString& database) const override {
        std::lock_guard lock(m_state->mutex);
        const DatabaseState* db = m_state->database(database);
        return db && db->singleUser;
    }

    QStringList sessionsIn(const QString& database) const override {
        std::lock_guard lock(m_state->mutex);
        QStringList spids;
        if (const DatabaseState* db = m_state->database(database))
            for (int spid : m_state->sessionsIn(db->dbid)) spids << QString::number(spid);
        return spids;
    }

    int databaseId(const QString& database) const override {
        std::lock_guard lock(m_state->mutex);
        const DatabaseState* db = m_state->database(database);
        return db ? db->dbid : 0;
    }

    QStringList filesOf(const QString& database) const override {
        std::lock_guard lock(m_state->mutex);
        QStringList files;
        if (const DatabaseState* db = m_state->database(database))
            for (const ScenarioFile& f : db->files) files << f.filename;
        return files;
    }

    int fileSizePages(const QString& database, const QString& logicalName) const override {
        std::lock_guard lock(m_state->mutex);
        if (const DatabaseState* db = m_state->database(database))
            for (const ScenarioFile& f : db->files)
                if (sameName(f.name, logicalName)) return f.sizePages;
        return -1;
    }

    int findingCount(const QString& database) const override {
        std::lock_guard lock(m_state->mutex);
        const DatabaseState* db = m_state->database(database);
        return db ? static_cast<int>(db->findings.size()) : 0;
    }

    int indexRebuilds(const QString& database, const QString& table) const override {
        std::lock_guard lock(m_state->mutex);
        DatabaseState* db = m_state->database(database);
        const TableObject* t = db ? db->table(table) : nullptr;
        return t ? t->indexRebuilds : 0;
    }

    QString procedureText(const QString& database, const QString& procedure) const override {
        std::lock_guard lock(m_state->mutex);
        DatabaseState* db = m_state->database(database);
        const ProcObject* p = db ? db->proc(procedure) : nullptr;
        return p ? p->body : QString();
    }

    std::vector<QStringList> tableRows(const QString& database,
                                       const QString& table) const override {
        std::lock_guard lock(m_state->mutex);
        std::vector<QStringList> rows;
        DatabaseState* db = m_state->database(database);
        const TableObject* t = db ? db->table(table) : nullptr;
        if (!t) return rows;
        for (const auto& row : t->rows) {
            QStringList cells;
            for (const Cell& c : row) cells << (c.isNull() ? QString() : c.toString());
            rows.push_back(cells);
        }
        return rows;
    }

    void setSingleUser(const QString& database, bool on) override {
        std::lock_guard lock(m_state->mutex);
        if (DatabaseState* db = m_state->database(database)) db->singleUser = on;
    }

private:
    std::shared_ptr<ServerState> m_state;
};

}  // namespace

std::shared_ptr<Engine> Engine::create(const Scenario& scenario) {
    return std::make_shared<EngineImpl>(scenario);
}

std::shared_ptr<Engine> Engine::fromFile(const QString& scenarioPath) {
    return create(Scenario::fromFile(scenarioPath));
}

}  // namespace sqlsim
