#include "service/routes.h"

#include <map>

#include "service/handlers.h"

namespace norvel::service {
namespace {

CRoute Form(Access access, FormHandler handler) {
    return CRoute{access, std::move(handler), {}, {}};
}
CRoute Page(PageHandler handler, Access access = Access::Open) {
    return CRoute{access, {}, std::move(handler), {}};
}

const std::map<std::string, CRoute>& PostRoutes() {
    static const std::map<std::string, CRoute> routes = {
        // The identity requests come before a client has an identity to sign with.
        {"/app/pc/clientid.init.php", Form(Access::Open, HandleClientInit)},
        {"/app/pc/clientid.auth.php", Form(Access::Open, HandleClientAuth)},
        {"/app/pc/user.init.php", Form(Access::Signed, HandleUserInit)},
        {"/app/pc/user.auth.php", Form(Access::Signed, HandleUserAuth)},
        {"/app/pc/user.info.php", Form(Access::Signed, HandleUserInfo)},
        {"/app/pc/user.login.php", Form(Access::Signed, HandleUserLogin)},
        {"/app/stat/stat.php", Form(Access::Signed, HandleStat)},
        {"/app/pc/sync.upauth.php", Form(Access::Signed, HandleSyncUpAuth)},
        {"/app/pc/anon.upauth.php", Form(Access::Signed, HandleAnonUpAuth)},
        {"/app/pc/disk.mkdir.php", Form(Access::Signed, HandleMkdir)},
        {"/app/pc/disk.mkfile.php", Form(Access::Signed, HandleMkfile)},
        {"/app/pc/createlink.php", Form(Access::Signed, HandleCreateLink)},
        {"/app/pc/anonymous_createlink.php", Form(Access::Signed, HandleAnonymousLink)},
        {"/app/pc/sina_weibo.php", Form(Access::Signed, HandleWeibo)},
        // The upload host: requests carry their own signature, "kdw_key".
        {"/up/up_init", Form(Access::Open, HandleUpInit)},
        {"/up/up_retcon", Form(Access::Open, HandleUpRetcon)},
        {"/up/up_seginfo", Form(Access::Open, HandleUpSegInfo)},
        {"/up/up_blk", CRoute{Access::Open, {}, {}, HandleUpBlock}},
        // Browser forms.
        {"/weibo/bind", Page(HandleWeiboBindPage)},
        {"/login.php", Page(HandleLoginPage)},
        {"/accounts/newAccount", Page(HandleNewAccountPage)},
    };
    return routes;
}

const std::map<std::string, CRoute>& GetRoutes() {
    static const std::map<std::string, CRoute> routes = {
        {"/", Page(HandleHomePage)},
        {"/disk", Page(HandleDiskPage)},
        {"/disk/", Page(HandleDiskPage)},
        {"/login.php", Page(HandleLoginPage)},
        {"/accounts/newAccount", Page(HandleNewAccountPage)},
        {"/weibo/bind", Page(HandleWeiboBindPage)},
    };
    return routes;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::optional<CRoute> FindRoute(std::string_view method, const std::string& path) {
    if (path == "/_admin/sink" && method == "POST")
        return CRoute{Access::Admin, {}, {}, HandleSink};
    if (StartsWith(path, "/_admin/") && (method == "GET" || method == "POST"))
        return Page(HandleAdmin, Access::Admin);
    const auto& routes = method == "POST" ? PostRoutes() : GetRoutes();
    if (method != "POST" && method != "GET")
        return std::nullopt;
    if (const auto it = routes.find(path); it != routes.end())
        return it->second;
    if (method == "GET" && StartsWith(path, "/s/") && path.size() > 3)
        return Page(HandleLinkPage);
    if (method == "GET" && StartsWith(path, "/captcha/"))
        return Page(HandleCaptchaImage);
    return std::nullopt;
}

}  // namespace norvel::service
