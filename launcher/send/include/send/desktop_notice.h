#pragma once

// The client's refusals on the desktop. A file manager starts the client with its
// standard error going nowhere a user looks, so while a CDesktopNotice lives, what the
// client writes to std::cerr is also collected, and when it goes, the collected messages
// become one desktop notification — only when standard error is not a terminal.
//
// The notification is one blocking D-Bus call (QtCore and QtDBus, which the program's
// other binaries link already; no QApplication) to the freedesktop notification service
// on the session bus, waiting at most a moment. Without a bus or a service nothing is
// shown and nothing else changes.

#include <memory>
#include <string>
#include <string_view>

namespace send {

class CDesktopNotice {
public:
    CDesktopNotice();
    // Restores std::cerr and shows what was collected.
    ~CDesktopNotice();
    CDesktopNotice(const CDesktopNotice&) = delete;
    CDesktopNotice& operator=(const CDesktopNotice&) = delete;

    class CTee;

private:
    std::unique_ptr<CTee> m_Tee;
};

// The body of the notification: the client's message lines without the program's name
// in front; other lines (the usage) left out; at most a screenful.
std::string NoticeBody(std::string_view written);

// Shows the notification; false when no service took it. timeoutMs bounds the wait.
bool ShowDesktopNotice(const std::string& summary, const std::string& body, int timeoutMs);

}  // namespace send
