#pragma once
// The repair history: one JSON line for every repair and attach run from the window or the
// command line, appended to $XDG_STATE_HOME/tarnwick/history.jsonl (~/.local/state/... when the
// variable is unset), so that what a repair reported can be shown later. It never holds the
// password.

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace tarnwick::history {

struct Entry {
    QDateTime time;  // UTC
    QString server;
    QString database;
    QString operation;                    // the operation's key
    QString switchMode;                   // "server shell", "connection", or empty for an attach
    QString outcome;                      // "ok", "failed" or "cancelled"
    std::optional<bool> singleUserAfter;  // as read from the server; unknown when not read
    QString result;                       // the result text as shown
};

QString filePath();

QJsonObject toJson(const Entry& entry);
Entry fromJson(const QJsonObject& object);

// Appends one line; the file is made readable by its owner only. Returns an error text when the
// file cannot be written, empty otherwise.
QString append(const Entry& entry);

// Every entry of the file, oldest first; lines that are not entries are skipped. An empty list
// when there is no file.
QList<Entry> readAll();

}  // namespace tarnwick::history
