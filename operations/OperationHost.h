#pragma once
// What the maintenance routines reach of the main window: wait panel, result text, event pump.

#include <QString>

#include <functional>
#include <optional>

namespace tarnwick {

// How the repairs put the database into single-user mode and back: through osql under
// xp_cmdshell on the server's machine, or with sp_dboption on the program's own connection.
enum class SingleUserSwitch { ServerShell, OnConnection };

class OperationHost {
public:
    virtual ~OperationHost() = default;
    virtual void ShowWaitPanel(const QString& text) = 0;  // caption, show, pump once
    virtual void HideWaitPanel() = 0;
    virtual QString resultText() const = 0;
    virtual void setResultText(const QString& text) = 0;
    // Replaces the result text with the pieces nextPiece gives, one after the other, until it
    // returns false: the same as setResultText with the pieces joined, which is all this default
    // does; a host that shows megabytes takes them as they come. A failure while the pieces come
    // leaves the text as it was.
    virtual void setResultTextInPieces(const std::function<bool(QString& piece)>& nextPiece) {
        QString text;
        QString piece;
        while (nextPiece(piece)) text += piece;
        setResultText(text);
    }
    virtual void processEvents() = 0;

    // Set by the window or the command line before a run.
    SingleUserSwitch singleUserSwitch = SingleUserSwitch::ServerShell;
    // Set by a repair that switched on the connection: whether the server still reported the
    // database single-user after the switch back; unknown when it could not be read.
    std::optional<bool> stillSingleUser;
    // A repair refused because the database was not in single-user mode while the switch went
    // through the server's shell: the host says that the switch on the connection exists.
    virtual void suggestSwitchOnConnection() {}
};

}  // namespace tarnwick
