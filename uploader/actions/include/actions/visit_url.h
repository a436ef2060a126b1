#pragma once

// Opening the user's cloud disk in the web browser, logged in, optionally at a folder:
// the sync API host hands out a one-time login address ("/app/pc/user.login.php") that
// leads on to the return address `ru`. Addresses are opened through platform::OpenUrl
// (NORVEL_OPEN_URL, $BROWSER or xdg-open), never through a shell.

#include <string>
#include <string_view>

#include "net/action.h"

namespace actions {

// Modes of the return address.
inline constexpr int kVisitFolder = 0;  // the web disk page at the folder
inline constexpr int kVisitPath = 2;    // the path itself
                                        // any other mode: no return address

class CGetVisitUrlAction : public net::CAction {
public:
    // The path with "\" turned into "/" and one leading "/" removed.
    CGetVisitUrlAction(std::u16string_view path, int mode);

    // Opens the page (or, when that fails, the service's main web page); always 0.
    int Execute();
    const std::string& ReturnAddress() const { return m_Ru; }

private:
    bool OpenLoggedIn();

    std::u16string m_Path;
    int m_Mode;
    std::string m_Ru;  // URL-encoded, "." kept
};

// The service's main web page.
std::u16string MainWebPage();
// Opens a web address in the browser; an empty one, or one that is not an "http://" or
// "https://" address without blanks and control characters, is replaced by the main web
// page. 0 when the browser could be started, else -1.
int OpenUrl(std::u16string_view url);

}  // namespace actions
