#pragma once

// A private D-Bus session bus (a dbus-daemon of the test's own) and a notification
// service on it that records what it is asked to show.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace ui_test {

class CPrivateBus {
public:
    // Starts dbus-daemon with a configuration of its own: a socket in a temporary folder
    // and no services to start on demand (a notification service installed on the
    // machine never shows the tests' notices). Address() is empty when it could not start.
    CPrivateBus();
    ~CPrivateBus();
    const QString& Address() const { return m_Address; }

private:
    QTemporaryDir m_Dir;
    QProcess m_Daemon;
    QString m_Address;
};

struct CRecordedNotice {
    QString appName;
    QString summary;
    QString body;
    QStringList actions;
    unsigned id = 0;
};

class CFakeNotificationServer {
public:
    // Registers org.freedesktop.Notifications on the bus; Registered() tells whether it
    // worked.
    explicit CFakeNotificationServer(const QString& busAddress);
    ~CFakeNotificationServer();
    bool Registered() const { return m_Registered; }
    const std::vector<CRecordedNotice>& Notices() const;
    // The user picks an action of a notice (the service's ActionInvoked signal).
    void InvokeAction(unsigned id, const QString& key);

    class CObject;

private:
    QDBusConnection m_Bus;
    std::unique_ptr<CObject> m_Object;
    bool m_Registered = false;
};

}  // namespace ui_test
