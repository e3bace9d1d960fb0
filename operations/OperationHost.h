#pragma once
// What the maintenance routines reach of the main window: wait panel, result text, event pump.

#include <QString>

namespace tarnwick {

class OperationHost {
public:
    virtual ~OperationHost() = default;
    virtual void ShowWaitPanel(const QString& text) = 0;  // caption, show, pump once
    virtual void HideWaitPanel() = 0;
    virtual QString resultText() const = 0;
    virtual void setResultText(const QString& text) = 0;
    virtual void processEvents() = 0;
};

}  // namespace tarnwick
