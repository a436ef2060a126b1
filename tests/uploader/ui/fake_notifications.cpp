#include "fake_notifications.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>

namespace ui_test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

CPrivateBus::CPrivateBus() {
    const QString config = m_Dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!m_Dir.isValid() || !file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                   "<auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(m_Dir.path())
                   .toUtf8());
    file.close();
    m_Daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!m_Daemon.waitForStarted(5000))
        return;
    while (!m_Daemon.canReadLine() && m_Daemon.waitForReadyRead(5000)) {
    }
    m_Address = QString::fromUtf8(m_Daemon.readLine()).trimmed();
}

CPrivateBus::~CPrivateBus() {
    m_Daemon.kill();
    m_Daemon.waitForFinished(5000);
}

class CFakeNotificationServer::CObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QStringLiteral("Notify")) {
            const QList<QVariant> args = message.arguments();
            if (args.size() < 8)
                return false;
            CRecordedNotice notice{args[0].toString(), args[3].toString(), args[4].toString(),
                                   args[5].toStringList(), ++m_LastId};
            m_Notices.push_back(notice);
            connection.send(message.createReply(QVariant::fromValue(notice.id)));
            return true;
        }
        connection.send(message.createReply());
        return true;
    }

    std::vector<CRecordedNotice> m_Notices;
    unsigned m_LastId = 0;
};

CFakeNotificationServer::CFakeNotificationServer(const QString& busAddress)
    : m_Bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("fake-notifications"))),
      m_Object(std::make_unique<CObject>()) {
    m_Registered = m_Bus.isConnected() && m_Bus.registerVirtualObject(kPath, m_Object.get()) &&
                   m_Bus.registerService(kService);
}

CFakeNotificationServer::~CFakeNotificationServer() {
    m_Bus.unregisterService(kService);
    m_Bus.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

const std::vector<CRecordedNotice>& CFakeNotificationServer::Notices() const {
    return m_Object->m_Notices;
}

void CFakeNotificationServer::InvokeAction(unsigned id, const QString& key) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
    signal << id << key;
    m_Bus.send(signal);
}

}  // namespace ui_test
