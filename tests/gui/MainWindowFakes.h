#pragma once
// Main window services that record what the window asked for, and routines that record each call.

#include "DbError.h"
#include "frmMain.h"

#include <QStringList>

using namespace Qt::StringLiterals;

#include <functional>

struct FakeServer {
    bool loginSucceeds = true;
    QStringList databases{u"a"_s, u"b"_s};
    QString listError;  // non-empty: the list query fails with it
    bool connectionOpen = true;
    QString version = u"Microsoft SQL Server  2000"_s;
    QStringList calls;  // "login", "list", "close", "close failed"
    std::function<void()> onLogin;

    MainServices services() {
        MainServices s;
        s.login = [this](QWidget*) {
            calls << u"login"_s;
            if (onLogin) onLogin();
            if (loginSucceeds) connectionOpen = true;
            return loginSucceeds;
        };
        s.userDatabases = [this]() -> QStringList {
            calls << u"list"_s;
            if (!listError.isEmpty()) throw tarnwick::DbError(listError);
            return databases;
        };
        s.closeConnection = [this] {
            if (!connectionOpen) {
                calls << u"close failed"_s;
                throw tarnwick::DbError(u"The connection is not open."_s);
            }
            calls << u"close"_s;
            connectionOpen = false;
        };
        s.serverVersion = [this] { return version; };
        s.routines = routines();
        return s;
    }

    // Each routine notes "Name|database[|table]|result text seen at the call".
    QStringList routineCalls;
    std::function<void(tarnwick::OperationHost&)> duringRoutine;

    OperationRoutines routines() {
        OperationRoutines r;
        auto database = [this](const char* name) {
            return [this, name](tarnwick::OperationHost& host, const QString& db) {
                routineCalls << QString::fromLatin1(name) + u'|' + db + u'|' + host.resultText();
                if (duringRoutine) duringRoutine(host);
            };
        };
        r.CheckDatabase = database("CheckDatabase");
        r.CheckAllocation = database("CheckAllocation");
        r.CheckCatalog = database("CheckCatalog");
        r.UpdateUsage = database("UpdateUsage");
        r.CheckPhysicalOnly = database("CheckPhysicalOnly");
        r.RepairDatabase = database("RepairDatabase");
        r.RepairSystemTable = [this](tarnwick::OperationHost& host, const QString& db,
                                     const QString& table) {
            routineCalls << u"RepairSystemTable|"_s + db + u'|' + table + u'|' + host.resultText();
            if (duringRoutine) duringRoutine(host);
        };
        return r;
    }
};
