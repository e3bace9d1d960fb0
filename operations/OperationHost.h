#pragma once
// What the maintenance routines reach of the main window: wait panel, result text, event pump.

#include <QString>

#include <functional>

namespace tarnwick {

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
};

}  // namespace tarnwick
