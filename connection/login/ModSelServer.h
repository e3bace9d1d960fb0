#pragma once
// Choosing the server computer for the login window.

#include "connection/login/ServerCandidates.h"

#include <QString>

#include <functional>

class QWidget;

namespace ModSelServer {

// The chosen computer's name, or an empty text when the user cancelled.
QString BrowseForServer(QWidget* owner);

// Where the operating system has no computer picker, BrowseForServer asks this function with the
// candidates it gathered. Tests install their own; an empty function restores the built-in dialog.
using ServerPicker =
    std::function<QString(QWidget* owner, const QList<ServerCandidate>& candidates)>;
void setServerPicker(ServerPicker picker);

}  // namespace ModSelServer
