#pragma once

// The pictures of the skin folder ("skinwnd-res/uploader/" beside the host program) that
// the windows load, with their sizes. The picture generator draws exactly these; the
// theme folders ("login", "others") hold the pictures their theme files name.

#include <string_view>

namespace ui::skin {

struct Picture {
    std::u16string_view file;  // relative to the skin folder
    int width;
    int height;
};

// Main window.
inline constexpr Picture kMainBackground{u"main_background.png", 264, 352};
inline constexpr Picture kMainLogo{u"main_logo.png", 16, 16};
inline constexpr Picture kMainClose{u"main_close.png", 17, 13};
inline constexpr Picture kAppIcon{u"app_icon.png", 64, 64};

// Task rows and their scroll bar.
inline constexpr Picture kRowBackground{u"row_background.png", 230, 56};
inline constexpr Picture kRowWaiting{u"row_waiting.png", 16, 16};
inline constexpr Picture kRowFailed{u"row_failed.png", 16, 16};
inline constexpr Picture kRowSuccess{u"row_success.png", 16, 16};
inline constexpr Picture kProgressTrack{u"progress_track.png", 176, 12};
inline constexpr Picture kProgressFill{u"progress_fill.png", 176, 12};
inline constexpr Picture kRowRemove{u"row_remove.png", 10, 9};
inline constexpr Picture kScrollTrack{u"scroll_track.png", 10, 310};
inline constexpr Picture kThumbTop{u"scroll_thumb_top.png", 20, 5};
inline constexpr Picture kThumbMiddle{u"scroll_thumb_middle.png", 20, 4};
inline constexpr Picture kThumbBottom{u"scroll_thumb_bottom.png", 20, 5};

// Mini window and tips popup.
inline constexpr Picture kMiniMain{u"mini_main.png", 62, 53};
inline constexpr Picture kMiniClose{u"mini_close.png", 20, 20};
inline constexpr Picture kMiniConfirm{u"mini_confirm.png", 159, 46};
inline constexpr Picture kMiniMark{u"mini_mark.png", 10, 10};
inline constexpr Picture kMiniHint{u"mini_hint.png", 240, 54};
inline constexpr Picture kTipsBackground{u"tips_background.png", 180, 52};

// Message dialog, about box and the mini window's menu.
inline constexpr Picture kMessageBackground{u"MsgBG.png", 232, 124};
inline constexpr Picture kMessageClose{u"mainframe_close.png", 44, 22};  // normal, hovered
inline constexpr Picture kMessageIcon{u"msg_icon.png", 32, 32};
inline constexpr Picture kAboutBanner{u"about_banner.png", 407, 91};
inline constexpr Picture kMenu{u"menu.png", 152, 164};  // seven 23-pixel strips

}  // namespace ui::skin
