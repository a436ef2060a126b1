#pragma once

// The server actions and web pages the windows start. The actions proper (visit URL,
// user information) belong to the account and server actions of the
// library, which install them at run time; until then each has a harmless default.
// Setters and runners are thread-safe; the windows run the actions off the
// user-interface thread (they may wait on the network).

#include <functional>
#include <string>

namespace ui {

// Opens a folder of the user's web disk in the browser, logged in. The folder is a path
// of the disk such as "/我的网盘/我收到的文件". Default: the web host's disk page at that
// folder, without a login.
using VisitUrlAction = std::function<void(const std::u16string& folder)>;
void SetVisitUrlAction(VisitUrlAction action);  // null: the default
void RunVisitUrl(const std::u16string& folder);

// Queries the user information (the account's figures). Default: nothing.
using UserInfoAction = std::function<void()>;
void SetUserInfoAction(UserInfoAction action);
void RunUserInfoQuery();

// The maker's web-shop pages: the VIP upgrade and the space extension.
enum class ShopPage { VipUpgrade, SpaceExtension };
std::u16string ShopPageUrl(ShopPage page);
void OpenShopPage(ShopPage page);

// Forgets the installed actions (library unload, after every thread that runs them ended).
void ReleaseUiActions();

// The folder that receives every upload, as the visit-URL action names it.
inline constexpr std::u16string_view kReceivedFolder = u"/我的网盘/我收到的文件";

}  // namespace ui
