#include "ui/ui_actions.h"

#include <mutex>
#include <utility>

#include "platform/launch.h"
#include "settings/service_hosts.h"

namespace ui {
namespace {

struct Actions {
    std::mutex lock;
    VisitUrlAction visitUrl;
    UserInfoAction userInfo;
};

// Not destroyed with the static objects (threads may still ask at exit); freed when the
// interface is taken down at unload.
Actions*& ActionsSlot() {
    static Actions* actions = nullptr;
    return actions;
}

Actions& TheActions() {
    Actions*& actions = ActionsSlot();
    if (!actions)
        actions = new Actions;
    return *actions;
}

template <typename Member, typename Action>
void Store(Member member, Action action) {
    Actions& actions = TheActions();
    std::lock_guard lock(actions.lock);
    actions.*member = std::move(action);
}

template <typename Member>
auto Copy(Member member) {
    Actions& actions = TheActions();
    std::lock_guard lock(actions.lock);
    return actions.*member;
}

void OpenDiskFolder(const std::u16string& folder) {
    const std::u16string path = folder.starts_with(u'/') ? folder : u"/" + folder;
    platform::OpenUrl(settings::BaseUrl(settings::GetWebHost()) + u"/disk/#" + path);
}

}  // namespace

void SetVisitUrlAction(VisitUrlAction action) { Store(&Actions::visitUrl, std::move(action)); }

void RunVisitUrl(const std::u16string& folder) {
    if (const VisitUrlAction action = Copy(&Actions::visitUrl))
        action(folder);
    else
        OpenDiskFolder(folder);
}

void SetUserInfoAction(UserInfoAction action) { Store(&Actions::userInfo, std::move(action)); }

void RunUserInfoQuery() {
    if (const UserInfoAction action = Copy(&Actions::userInfo))
        action();
}

void ReleaseUiActions() { delete std::exchange(ActionsSlot(), nullptr); }

std::u16string ShopPageUrl(ShopPage page) {
    const std::u16string base = settings::BaseUrl(settings::GetWebHost());
    return base + (page == ShopPage::VipUpgrade ? u"/shop/vip" : u"/shop/space");
}

void OpenShopPage(ShopPage page) { platform::OpenUrl(ShopPageUrl(page)); }

}  // namespace ui
