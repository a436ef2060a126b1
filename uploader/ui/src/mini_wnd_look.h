#pragma once

// How the mini window and the tips popup look: texts, fonts, colours and places.

#include <QColor>
#include <QFont>
#include <QString>
#include <string_view>

#include "ui/ui_fonts.h"

namespace ui {

inline constexpr std::u16string_view kMiniTitle = u"Norvel网盘Flinga";

inline constexpr int kExtraHeight = 90;  // below and above the picture
inline constexpr int kRightInset = 150;  // from the work area's right edge
inline constexpr int kPictureTop = 20;
inline constexpr int kCounterTop = 30;
inline constexpr int kNoticeTop = 78;
inline constexpr int kNoticeWidth = 180;
inline constexpr int kNoticeHeight = 18;
inline constexpr int kNoticeNameWidth = 172;
inline constexpr int kConfirmTop = 73;
inline constexpr int kHintTop = 80;

inline const QColor kCounterBlue(0x2D, 0x5C, 0xA5);
inline const QColor kCounterRed(0xFF, 0x00, 0x00);
inline const QColor kHintColour(0x9A, 0x69, 0x12);
inline const QColor kHintLinkColour(0x00, 0x65, 0xCA);
inline const QColor kMiniTextColour(0x28, 0x33, 0x49);

inline QFont MiniFont(bool underline = false) {
    return UiFont(QStringLiteral("宋体"), 12, false, underline);
}

inline QString DragHintText() {
    return QStringLiteral("拖动文件或文件夹到这个窗口也能上传哦");
}
inline QString ClickHintText() {
    return QStringLiteral("点击窗口可以看到上传任务详情");
}
inline QString DismissText() {
    return QStringLiteral("我知道了");
}
inline QString ConfirmText() {
    return QStringLiteral("有任务未上传完，确定退出？");
}

}  // namespace ui
