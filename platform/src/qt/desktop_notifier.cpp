#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <map>
#include <utility>

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

QDBusConnection OpenBus(const QString& address) {
    if (address.isEmpty())
        return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(address, QStringLiteral("norvel-notify-") + address);
}

}  // namespace

// Owns the bus connection, the callbacks of the notices that carry an action, and the
// subscription to the service's ActionInvoked and NotificationClosed signals.
class CDesktopNotifier::CReceiver : public QObject {
    Q_OBJECT
public:
    CReceiver(QString appName, const QString& busAddress)
        : m_AppName(std::move(appName)),
          m_Private(!busAddress.isEmpty()),
          m_Bus(OpenBus(busAddress)) {
        if (!m_Bus.isConnected())
            return;
        m_Bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(OnActionInvoked(uint, QString)));
        m_Bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(OnClosed(uint)));
    }

    ~CReceiver() override {
        if (m_Private)
            QDBusConnection::disconnectFromBus(m_Bus.name());
    }

    void Send(const QString& summary, const QString& body, const QString& actionLabel,
              std::function<void()> onAction) {
        if (!m_Bus.isConnected()) {
            Unavailable(QStringLiteral("no session bus: ") + m_Bus.lastError().message());
            return;
        }
        QStringList actions;
        if (onAction)
            actions << kDefaultAction << actionLabel;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        call << m_AppName << uint{0} << QString() << summary << body << actions << QVariantMap{}
             << int{-1};
        auto* watcher = new QDBusPendingCallWatcher(m_Bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, onAction = std::move(onAction)](QDBusPendingCallWatcher* done) {
                    QDBusPendingReply<uint> reply = *done;
                    done->deleteLater();
                    if (reply.isError()) {
                        Unavailable(reply.error().message());
                        return;
                    }
                    if (onAction)
                        m_Actions[reply.value()] = onAction;
                });
    }

    std::function<void(const QString&)> m_OnUnavailable;

private slots:
    void OnActionInvoked(uint id, const QString& key) {
        const auto found = m_Actions.find(id);
        if (found == m_Actions.end() || key != kDefaultAction)
            return;
        const auto action = found->second;
        m_Actions.erase(found);
        action();
    }
    void OnClosed(uint id) { m_Actions.erase(id); }

private:
    void Unavailable(const QString& cause) {
        if (m_Reported)
            return;
        m_Reported = true;
        if (m_OnUnavailable)
            m_OnUnavailable(cause);
    }

    QString m_AppName;
    bool m_Private;
    QDBusConnection m_Bus;
    std::map<uint, std::function<void()>> m_Actions;
    bool m_Reported = false;
};

CDesktopNotifier::CDesktopNotifier(QString appName, QString busAddress)
    : m_Receiver(std::make_unique<CReceiver>(std::move(appName), busAddress)) {}

CDesktopNotifier::~CDesktopNotifier() = default;

void CDesktopNotifier::Notify(const QString& summary, const QString& body) {
    m_Receiver->Send(summary, body, {}, {});
}

void CDesktopNotifier::Notify(const QString& summary, const QString& body,
                              const QString& actionLabel, std::function<void()> onAction) {
    m_Receiver->Send(summary, body, actionLabel, std::move(onAction));
}

void CDesktopNotifier::SetOnUnavailable(std::function<void(const QString&)> onUnavailable) {
    m_Receiver->m_OnUnavailable = std::move(onUnavailable);
}

}  // namespace platform

#include "desktop_notifier.moc"
