// What a row shows for each state, and where its clickable parts lie.

#include <QFontMetrics>
#include <QString>

#include "intake/upload_context.h"
#include "settings/settings.h"
#include "task_bar_fonts.h"
#include "ui/task_bar.h"
#include "ui/ui_images.h"

namespace ui {
namespace {

using Icon = CStatusLook::Icon;

constexpr int kIconGap = 12;  // text after an icon: icon width + 12
constexpr int kRemoveFromRight = 30;
constexpr int kRemoveY = 13;
constexpr int kRemoveSlop = 3;  // the glyph is small: a few pixels around it count

const QColor kWaitingColour(0x85, 0x7F, 0x7F);
const QColor kUploadingColour(0x24, 0x7E, 0xCA);
const QColor kSuccessColour(0x30, 0x81, 0x09);
const QColor kFailureColour(0xCC, 0x00, 0x00);
const QColor kRefusedColour(0xFF, 0x00, 0x00);
const QColor kLinkColour(0x0C, 0x7C, 0xF1);
const QColor kShopLinkColour(0x17, 0x8B, 0xFF);

QString Q(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

int TextWidth(const std::u16string& text) {
    return QFontMetrics(StatusFont()).horizontalAdvance(Q(text));
}

int IconWidth() {
    return WidthOf(UiImages().rowFailed, skin::kRowFailed);
}

// The account's largest file, a decimal byte count; 0 when unknown or unreadable.
uint64_t AccountSizeLimit() {
    uint64_t limit = 0;
    for (const char16_t c : settings::GetMaxFileSize()) {
        if (c < u'0' || c > u'9' || limit > (UINT64_MAX - 9) / 10)
            return 0;
        limit = limit * 10 + static_cast<uint64_t>(c - u'0');
    }
    return limit;
}

CStatusLook Text(Icon icon, std::u16string text, QColor colour, int x) {
    CStatusLook look;
    look.icon = icon;
    look.text = std::move(text);
    look.colour = colour;
    look.textX = x;
    return look;
}

// A failure with the icon and the text beside it.
CStatusLook Failure(std::u16string text) {
    return Text(Icon::Failed, std::move(text), kFailureColour, IconWidth() + kIconGap);
}

void AddLink(CStatusLook& look, RowPart part, std::u16string text, QColor colour, int x) {
    look.link = part;
    look.linkText = std::move(text);
    look.linkColour = colour;
    look.linkX = x;
}

void AddRetry(CStatusLook& look, int rowWidth) {
    const std::u16string text = u"重传";
    AddLink(look, RowPart::Retry, text, kLinkColour, rowWidth - TextWidth(text) - 10);
}

}  // namespace

CStatusLook CTaskBarWin::Look(int rowWidth) const {
    CStatusLook look;
    switch (m_State) {
        case intake::kTaskWaiting:
            return Text(Icon::Waiting, u"等待上传...", kWaitingColour,
                        WidthOf(UiImages().rowWaiting, skin::kRowWaiting) + kIconGap);
        case intake::kTaskUploading:
        case intake::kTaskPaused:
            look.progress = true;
            look.colour = kUploadingColour;
            return look;
        case intake::kTaskComplete: {
            look = Text(Icon::Success, u"上传成功!", kSuccessColour,
                        WidthOf(UiImages().rowSuccess, skin::kRowSuccess) + kIconGap);
            const std::u16string view = u"查看";
            AddLink(look, RowPart::View, view, kLinkColour, rowWidth - TextWidth(view) - 15);
            return look;
        }
        case intake::kTaskFailed:
            look = Failure(u"上传失败!");
            AddRetry(look, rowWidth);
            return look;
        case intake::kTaskEmptyFile:
            return Text(Icon::None, u"您所选的文件内容为空", kRefusedColour,
                        IconWidth() + kIconGap);
        case intake::kTaskTooLarge:
            look = Text(Icon::None, u"文件大小超过" + SizeLimitText(AccountSizeLimit()),
                        kRefusedColour, 10);
            AddLink(look, RowPart::Upgrade, m_LinkText, kShopLinkColour,
                    10 + TextWidth(look.text) + 10);
            return look;
        case intake::kTaskFileLocked:
            look = Failure(u"文件正在被使用，请稍后再试");
            AddRetry(look, rowWidth);
            return look;
        case intake::kTaskFileMissing:
            return Failure(u"文件不存在");
        case intake::kTaskDiskFull:
            look = Text(Icon::None, u"网盘空间已满", kFailureColour, 12);
            AddLink(look, RowPart::Upgrade, m_LinkText, kShopLinkColour,
                    TextWidth(look.text) + 10 + 12);
            return look;
        case intake::kTaskTimeout:
            look = Failure(u"上传超时，请稍后再试");
            AddRetry(look, rowWidth);
            return look;
        case intake::kTaskParentMissing:
            return Failure(u"网盘'我收到的文件'不存在,上传失败");
        case intake::kTaskFileExists:
            return Failure(u"文件重名，上传失败");
        default:
            return look;  // 4 and 8: no status line
    }
}

QRect CTaskBarWin::PartRect(RowPart part, int rowWidth) const {
    if (part == RowPart::Remove) {
        const QPixmap& glyph = UiImages().rowRemove;
        return QRect(rowWidth - kRemoveFromRight, kRemoveY, WidthOf(glyph, skin::kRowRemove),
                     HeightOf(glyph, skin::kRowRemove));
    }
    const CStatusLook look = Look(rowWidth);
    if (part == RowPart::None || look.link != part)
        return {};
    return QRect(look.linkX, kStatusY, TextWidth(look.linkText),
                 QFontMetrics(StatusFont()).height());
}

RowPart CTaskBarWin::HitTest(QPoint point, int rowWidth) const {
    const QRect remove = PartRect(RowPart::Remove, rowWidth);
    if (remove.adjusted(-kRemoveSlop, -kRemoveSlop, kRemoveSlop, kRemoveSlop).contains(point))
        return RowPart::Remove;
    const CStatusLook look = Look(rowWidth);
    if (look.link != RowPart::None && PartRect(look.link, rowWidth).contains(point))
        return look.link;
    return RowPart::None;
}

}  // namespace ui
