#pragma once
// Points XDG_STATE_HOME, where the repair history lies, somewhere else for one test and puts it
// back.

#include <QByteArray>
#include <QtGlobal>

namespace tarnwick::test {

class StateHome {
public:
    explicit StateHome(const QByteArray& value) : m_saved(qgetenv("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", value);
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", m_saved); }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

private:
    QByteArray m_saved;
};

}  // namespace tarnwick::test
