#include "send/desktop_notice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <iostream>
#include <streambuf>

#include "platform/terminal.h"

namespace send {
namespace {

constexpr std::string_view kPrefix = "norvel-flinga-send: ";
constexpr int kMaxLines = 12;
constexpr int kNoticeWaitMs = 3000;

}  // namespace

// Passes everything on to the original buffer and keeps a copy.
class CDesktopNotice::CTee : public std::streambuf {
public:
    explicit CTee(std::streambuf* original) : m_Original(original) {}
    std::streambuf* Original() const { return m_Original; }
    const std::string& Written() const { return m_Written; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        m_Written.push_back(traits_type::to_char_type(c));
        return m_Original->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        m_Written.append(text, static_cast<size_t>(count));
        return m_Original->sputn(text, count);
    }
    int sync() override { return m_Original->pubsync(); }

private:
    std::streambuf* m_Original;
    std::string m_Written;
};

CDesktopNotice::CDesktopNotice() {
    if (platform::IsStandardErrorTerminal())
        return;
    m_Tee = std::make_unique<CTee>(std::cerr.rdbuf());
    std::cerr.rdbuf(m_Tee.get());
}

CDesktopNotice::~CDesktopNotice() {
    if (!m_Tee)
        return;
    std::cerr.rdbuf(m_Tee->Original());
    const std::string body = NoticeBody(m_Tee->Written());
    if (!body.empty())
        ShowDesktopNotice("Norvel Flinga", body, kNoticeWaitMs);
}

std::string NoticeBody(std::string_view written) {
    std::string body;
    int lines = 0, left = 0;
    while (!written.empty()) {
        const size_t end = written.find('\n');
        std::string_view line = written.substr(0, end);
        written = end == std::string_view::npos ? std::string_view{} : written.substr(end + 1);
        if (!line.starts_with(kPrefix))
            continue;
        line.remove_prefix(kPrefix.size());
        if (lines == kMaxLines) {
            ++left;
            continue;
        }
        body += (lines++ ? "\n" : "") + std::string(line);
    }
    if (left > 0)
        body += "\n… (" + std::to_string(left) + " more)";
    return body;
}

bool ShowDesktopNotice(const std::string& summary, const std::string& body, int timeoutMs) {
    // QtDBus runs its connections with a Qt application object; a plain one suffices.
    std::unique_ptr<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "norvel-flinga-send";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Norvel Flinga") << uint{0} << QString()
         << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList{}
         << QVariantMap{} << int{-1};
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace send
