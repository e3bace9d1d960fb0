#pragma once
// An OperationHost without widgets: keeps the result text and records every call in order, so
// tests can check that the wait panel was shown, hidden and what the result area went through.

#include "operations/OperationHost.h"

#include <QString>
#include <QStringList>

class RecordingHost final : public tarnwick::OperationHost {
public:
    void ShowWaitPanel(const QString& text) override {
        m_calls << QStringLiteral("show:") + text;
        m_panelVisible = true;
    }
    void HideWaitPanel() override {
        m_calls << QStringLiteral("hide");
        m_panelVisible = false;
    }
    QString resultText() const override { return m_resultText; }
    void setResultText(const QString& text) override {
        m_calls << QStringLiteral("setResultText");
        m_resultText = text;
    }
    void processEvents() override { m_calls << QStringLiteral("processEvents"); }

    const QStringList& calls() const { return m_calls; }
    bool panelVisible() const { return m_panelVisible; }

private:
    QStringList m_calls;
    QString m_resultText;
    bool m_panelVisible = false;
};
