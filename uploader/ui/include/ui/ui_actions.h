#pragma once

// The server actions and web pages the windows start. The actions proper (visit URL,
// user information) are seams of the library's root (intake/library.h), filled by the
// account and server actions; without them each has a harmless default. The runners are
// thread-safe; the windows run the actions off the user-interface thread (they may wait
// on the network).

#include <string>

namespace ui {

// Opens a folder of the user's web disk in the browser, logged in. The folder is a path
// of the disk such as "/我的网盘/我收到的文件". Default: the web host's disk page at that
// folder, without a login.
void RunVisitUrl(const std::u16string& folder);

// Queries the user information (the account's figures). Default: nothing.
void RunUserInfoQuery();

// The maker's web-shop pages: the VIP upgrade and the space extension.
enum class ShopPage { VipUpgrade, SpaceExtension };
std::u16string ShopPageUrl(ShopPage page);
void OpenShopPage(ShopPage page);

// The folder that receives every upload, as the visit-URL action names it.
inline constexpr std::u16string_view kReceivedFolder = u"/我的网盘/我收到的文件";

}  // namespace ui
