#include "actions/createlink_action.h"

#include <algorithm>

#include "action_text.h"
#include "intake/filter.h"
#include "platform/files.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "tools/server_path.h"
#include "tools/url_encode.h"

namespace actions {
namespace {

constexpr const char* kLinkAppId = "18";
constexpr const char16_t* kDiskRoot = u"/我的网盘";

bool Qualifies(const std::u16string& path) {
    const auto attributes = platform::GetAttributes(path);
    return !(attributes && attributes->folder) && !intake::IsInBriefcase(path);
}

// The path on the disk: below the sync folder when it lies in it, else the whole path.
std::u16string DiskPath(const std::u16string& path, const std::u16string& syncFolder) {
    std::u16string disk = path;
    if (!syncFolder.empty() && tools::ToServerPath(syncFolder, disk))
        return disk;
    std::replace(disk.begin(), disk.end(), u'\\', u'/');
    return disk;
}

}  // namespace

CCreatelinkAction::CCreatelinkAction(std::vector<std::u16string> paths, int32_t kind)
    : m_Paths(std::move(paths)), m_Kind(kind) {}

void CCreatelinkAction::BuildFiles() {
    const std::u16string syncFolder = settings::GetSyncFolder();
    m_Files = "[";
    m_FileCount = 0;
    for (const std::u16string& path : m_Paths) {
        if (!Qualifies(path))
            continue;
        const std::string name = tools::UrlEncode(ToUtf8(DiskPath(path, syncFolder)));
        m_Files += (m_FileCount++ ? "," : "") + JsonObjectText({{"name", name}});
    }
    m_Files += "]";

    if (m_Kind == kNorvelLink) {
        m_Form = "norvel_external_link";
    } else if (m_Kind == kNormalLink) {
        m_Form = "normal_external_link";
    } else if (m_Kind == kWeiboLink) {
        m_Files += "&attrs=" + WeiboAttributesText();
        m_Form = "sina_weibo_external_link";
    }
}

std::string CCreatelinkAction::WeiboAttributesText() const {
    return JsonObjectText({{"sina_weibo_uid", m_Weibo.uid},
                           {"sina_weibo_screen_name", m_Weibo.screenName},
                           {"sina_weibo_follow", m_Weibo.follow},
                           {"sina_weibo_retweet", m_Weibo.retweet},
                           {"sina_weibo_thumbnail", ToUtf8(FromAnsi(m_Weibo.thumbnail))}});
}

std::string CCreatelinkAction::RequestBody() const {
    return "token=" + ToAnsi(settings::GetToken()) + "&appid=" + kLinkAppId +
           "&cname=" + ToUtf8(settings::GetChanger()) + "&basepath=" + tools::UrlEncode("/") +
           "&files=" + m_Files + "&rootfs=" + tools::UrlEncode(ToUtf8(kDiskRoot)) +
           "&form=" + m_Form;
}

int CCreatelinkAction::Execute() {
    BuildFiles();
    if (m_FileCount == 0) {
        m_ErrorCode = -1;  // nothing to link: no request
        return -1;
    }
    return RequestLink(settings::GetDownloadHost(), u"/app/pc/createlink.php", RequestBody());
}

}  // namespace actions
