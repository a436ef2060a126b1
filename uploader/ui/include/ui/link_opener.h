#pragma once

// Opens a web address in the default browser. Tests put a recorder in its place.

#include <functional>
#include <string>

namespace ui {

using LinkOpener = std::function<void(const std::u16string& url)>;
void SetLinkOpener(LinkOpener opener);  // null: the browser
void OpenLink(const std::u16string& url);

}  // namespace ui
