#include "ui/link_opener.h"

#include <utility>

#include "platform/launch.h"

namespace ui {
namespace {

// User-interface thread only.
LinkOpener& Opener() {
    static LinkOpener opener;
    return opener;
}

}  // namespace

void SetLinkOpener(LinkOpener opener) {
    Opener() = std::move(opener);
}

void OpenLink(const std::u16string& url) {
    if (Opener())
        Opener()(url);
    else
        platform::OpenUrl(url);
}

}  // namespace ui
