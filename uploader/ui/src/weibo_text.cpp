#include "ui/weibo_text.h"

#include "platform/text.h"

namespace ui {

int WeiboCharCount(std::u16string_view text) {
    return int((platform::WideToAnsi(text).size() + 1) / 2);
}

std::u16string DefaultWeiboText(std::u16string_view fileName, std::u16string_view link) {
    return u"分享了文件“" + std::u16string(fileName) +
           u"”欢迎大家下载分享！通过@Norvel网盘 分享，点击下载：" + std::u16string(link);
}

}  // namespace ui
