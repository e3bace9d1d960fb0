#pragma once
// Main window services that record what the window asked for, and an operation table whose
// actions record each call.

#include "connection/DbError.h"
#include "mainwindow/frmMain.h"

#include <QStringList>

using namespace Qt::StringLiterals;

#include <functional>

struct FakeServer {
    bool loginSucceeds = true;
    QStringList databases{u"a"_s, u"b"_s};
    QString listError;  // non-empty: the list query fails with it
    bool connectionOpen = true;
    QString version = u"Microsoft SQL Server  2000"_s;
    QString name = u"(local)"_s;      // the server's name while the connection is open
    bool confirmDataLoss = true;      // the stored setting
    bool switchOnConnection = false;  // the stored choice of the options menu's item
    // "login", "list", "close", "close failed", "confirm/dataLoss=...", "store switch on|off"
    QStringList calls;
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
        s.serverName = [this] { return connectionOpen ? name : QString(); };
        s.confirmDataLoss = [this] { return confirmDataLoss; };
        s.setConfirmDataLoss = [this](bool on) {
            calls << u"confirm/dataLoss="_s + (on ? u"true"_s : u"false"_s);
            confirmDataLoss = on;
        };
        s.showAttachWindow = [this](const QString& version) { calls << u"attach|"_s + version; };
        s.switchOnConnection = [this] { return switchOnConnection; };
        s.setSwitchOnConnection = [this](bool on) {
            calls << (on ? u"store switch on"_s : u"store switch off"_s);
            switchOnConnection = on;
        };
        s.operations = operations;
        return s;
    }

    // Each recording action notes "key|database|result text seen at the call".
    QStringList operationCalls;
    std::function<void(tarnwick::OperationHost&)> duringOperation;

    OperationRow recordingRow(const QString& key, const QString& text, int image) {
        return {key, text, image, [this, key](const OperationContext& c) {
                    operationCalls << key + u'|' + c.currentDatabase() + u'|' + c.host.resultText();
                    if (duringOperation) duringOperation(c.host);
                }};
    }

    static OperationRow repairing(OperationRow row, tarnwick::DataLoss loss) {
        row.dataLoss = loss;
        return row;
    }

    // The table the window is given; a test may change it before the window is made.
    OperationTable operations{
        recordingRow(u"CHECKDB"_s, u"检测数据库"_s, 1),
        recordingRow(u"ShrinkLog"_s, u"压缩日志文件"_s, 2),
        repairing(recordingRow(u"REPDB"_s, u"修复数据库"_s, 1), tarnwick::DataLoss::Repair),
        repairing(recordingRow(u"ShrinkMDF"_s, u"压缩数据文件"_s, 2),
                  tarnwick::DataLoss::LogTruncation),
        {u"NOTHING"_s, u"没有动作"_s, 2, {}},
    };
};
