#pragma once

// The post text of the Sina Weibo window: its length as the service's limit counts it
// (bytes in the ANSI code page, two per character: two ASCII characters or one Chinese
// character count 1, an odd byte rounds up) and the text the window offers.

#include <string>
#include <string_view>

namespace ui {

inline constexpr int kWeiboCharLimit = 113;  // 140 less the room the link takes

int WeiboCharCount(std::u16string_view text);
// "分享了文件“<name>”欢迎大家下载分享！", a line crediting the service's own account, and
// the link.
std::u16string DefaultWeiboText(std::u16string_view fileName, std::u16string_view link);

}  // namespace ui
