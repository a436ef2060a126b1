#include "ui/ui_actions.h"

#include "intake/library.h"
#include "platform/launch.h"
#include "settings/service_hosts.h"

namespace ui {
namespace {

void OpenDiskFolder(const std::u16string& folder) {
    const std::u16string path = folder.starts_with(u'/') ? folder : u"/" + folder;
    platform::OpenUrl(settings::BaseUrl(settings::GetWebHost()) + u"/disk/#" + path);
}

}  // namespace

void RunVisitUrl(const std::u16string& folder) {
    if (const auto action = intake::Library().Seam(&intake::LibrarySeams::visitUrl))
        action(folder);
    else
        OpenDiskFolder(folder);
}

void RunUserInfoQuery() {
    if (const auto action = intake::Library().Seam(&intake::LibrarySeams::userInfo))
        action();
}

std::u16string ShopPageUrl(ShopPage page) {
    const std::u16string base = settings::BaseUrl(settings::GetWebHost());
    return base + (page == ShopPage::VipUpgrade ? u"/shop/vip" : u"/shop/space");
}

void OpenShopPage(ShopPage page) {
    platform::OpenUrl(ShopPageUrl(page));
}

}  // namespace ui
