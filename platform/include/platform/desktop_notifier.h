#pragma once

// Desktop notifications through the freedesktop notification service
// ("org.freedesktop.Notifications" on the session bus), with Qt's D-Bus module only (no
// widgets, no QApplication needed: a QCoreApplication's event loop delivers the replies
// and the action signals).
//
// Calls never block: Notify goes out asynchronously and its reply is read when the event
// loop gets it. Where no bus or no notification service answers, the notice is dropped and
// the first such failure is told once through the unavailable callback (the caller logs
// it); later notices are still tried, so a service started later is used.
//
// A notice may carry the default action (the service shows it as the label given); its
// callback runs on the notifier's thread when the user picks it.

#include <QString>
#include <functional>
#include <memory>

namespace platform {

class CDesktopNotifier {
public:
    // busAddress empty: the user's session bus; otherwise a private bus at that address
    // (tests).
    explicit CDesktopNotifier(QString appName, QString busAddress = {});
    ~CDesktopNotifier();
    CDesktopNotifier(const CDesktopNotifier&) = delete;
    CDesktopNotifier& operator=(const CDesktopNotifier&) = delete;

    void Notify(const QString& summary, const QString& body);
    // With the default action labelled actionLabel; onAction runs when it is picked.
    void Notify(const QString& summary, const QString& body, const QString& actionLabel,
                std::function<void()> onAction);

    // Told the cause of the first notice that could not be delivered.
    void SetOnUnavailable(std::function<void(const QString& cause)> onUnavailable);

    class CReceiver;

private:
    std::unique_ptr<CReceiver> m_Receiver;
};

}  // namespace platform
