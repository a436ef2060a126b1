#include "ui/ui_actions.h"

#include <mutex>
#include <type_traits>
#include <utility>

#include "platform/launch.h"
#include "settings/service_hosts.h"

namespace ui {
namespace {

struct Actions {
    VisitUrlAction visitUrl;
    UserInfoAction userInfo;
};

// The window thread and background work both ask for the actions, so the slot is made,
// read and freed under one lock. Lock and slot are constant-initialised (the library's
// load hook may install actions before other static objects exist) and have no destructor
// to run; the actions are not destroyed with the static objects (threads may still ask at
// exit) but freed when the interface is taken down at unload.
constinit std::mutex g_ActionsLock;
static_assert(std::is_trivially_destructible_v<std::mutex>);
constinit Actions* g_Actions = nullptr;

template <typename Member, typename Action>
void Store(Member member, Action action) {
    std::lock_guard lock(g_ActionsLock);
    if (!g_Actions)
        g_Actions = new Actions;
    g_Actions->*member = std::move(action);
}

template <typename Member>
auto Copy(Member member) {
    std::lock_guard lock(g_ActionsLock);
    using Action = std::remove_cvref_t<decltype(g_Actions->*member)>;
    return g_Actions ? g_Actions->*member : Action{};
}

void OpenDiskFolder(const std::u16string& folder) {
    const std::u16string path = folder.starts_with(u'/') ? folder : u"/" + folder;
    platform::OpenUrl(settings::BaseUrl(settings::GetWebHost()) + u"/disk/#" + path);
}

}  // namespace

void SetVisitUrlAction(VisitUrlAction action) {
    Store(&Actions::visitUrl, std::move(action));
}

void RunVisitUrl(const std::u16string& folder) {
    if (const VisitUrlAction action = Copy(&Actions::visitUrl))
        action(folder);
    else
        OpenDiskFolder(folder);
}

void SetUserInfoAction(UserInfoAction action) {
    Store(&Actions::userInfo, std::move(action));
}

void RunUserInfoQuery() {
    if (const UserInfoAction action = Copy(&Actions::userInfo))
        action();
}

void ReleaseUiActions() {
    std::lock_guard lock(g_ActionsLock);
    delete std::exchange(g_Actions, nullptr);
}

std::u16string ShopPageUrl(ShopPage page) {
    const std::u16string base = settings::BaseUrl(settings::GetWebHost());
    return base + (page == ShopPage::VipUpgrade ? u"/shop/vip" : u"/shop/space");
}

void OpenShopPage(ShopPage page) {
    platform::OpenUrl(ShopPageUrl(page));
}

}  // namespace ui
