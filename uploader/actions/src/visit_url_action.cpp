#include <algorithm>
#include <cstdlib>
#include <optional>

#include "action_text.h"
#include "actions/visit_url.h"
#include "json/json.h"
#include "settings/registry_values.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "tools/url_encode.h"

namespace actions {
namespace {

constexpr const char* kWebAppId = "12";
constexpr int kStatusOk = 200;

// "REVALID" as a DWORD, or as a string holding a number.
std::optional<uint32_t> ReadRevalid() {
    if (const auto value = settings::ReadDword(settings::kFlingaKey, settings::kRevalid))
        return value;
    if (const auto text = settings::ReadString(settings::kFlingaKey, settings::kRevalid))
        return static_cast<uint32_t>(std::atol(ToUtf8(*text).c_str()));
    return std::nullopt;
}

std::string ReturnAddressOf(const std::u16string& path, int mode) {
    const std::string encodedPath = tools::UrlEncode(ToUtf8(path), ".");
    if (mode == kVisitPath)
        return encodedPath;
    if (mode == kVisitFolder) {
        const std::u16string diskPage = settings::BaseUrl(settings::GetWebHost()) + u"/disk/#/";
        return tools::UrlEncode(ToUtf8(diskPage) + encodedPath, ".");
    }
    return {};
}

}  // namespace

CGetVisitUrlAction::CGetVisitUrlAction(std::u16string_view path, int mode)
    : m_Path(path), m_Mode(mode) {
    std::replace(m_Path.begin(), m_Path.end(), u'\\', u'/');
    if (!m_Path.empty() && m_Path.front() == u'/')
        m_Path.erase(0, 1);
    m_Ru = ReturnAddressOf(m_Path, m_Mode);
}

int CGetVisitUrlAction::Execute() {
    const auto revalid = ReadRevalid();
    bool opened = false;
    if (revalid && *revalid != 1) {
        const std::u16string loginPage =
            settings::BaseUrl(settings::GetLoginHost()) +
            FromAnsi(std::string("/login.php?appid=") + kWebAppId + "&ru=" + m_Ru);
        opened = OpenUrl(loginPage) == 0;
    } else {
        opened = OpenLoggedIn();
    }
    if (!opened)
        OpenUrl(MainWebPage());
    return 0;
}

// The one-time login address of the sync API host, opened when it came.
bool CGetVisitUrlAction::OpenLoggedIn() {
    const std::string body =
        "token=" + ToAnsi(settings::GetToken()) + "&fmt=json&appid=" + kWebAppId + "&ru=" + m_Ru;
    const auto reply = PostForm(settings::GetApiHost(), u"/app/pc/user.login.php", body);
    if (!reply)
        return false;
    try {
        if (m_ErrorCode == kStatusOk)
            return OpenUrl(FromAnsi(Scalar(*reply, "url"))) == 0;
        Scalar(*reply, "errno");
        Scalar(*reply, "error");
    } catch (...) {
        RecordException();
    }
    return false;
}

}  // namespace actions
