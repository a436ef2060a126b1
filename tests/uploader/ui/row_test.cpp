#include <QDir>
#include <QImage>
#include <QPainter>

#include "intake/upload_context.h"
#include "settings/settings.h"
#include "ui/task_bar.h"
#include "ui/ui_images.h"
#include "ui_test_support.h"

using namespace intake;
using ui::CStatusLook;
using ui::CTaskBarWin;
using ui::CTaskUpdate;
using ui::RowPart;
using ui_test::UiTest;
using ui_test::Utf8;

namespace {

constexpr int kWidth = 248;  // a row while there is no scroll bar

CTaskUpdate Task(int32_t state, uint64_t total = 1000, uint64_t done = 0) {
    CTaskUpdate update;
    update.taskId = 10001;
    update.state = state;
    update.name = u"报告-final.docx";
    update.fullName = u"/home/u/报告-final.docx";
    update.totalSize = total;
    update.doneSize = done;
    return update;
}

struct Expected {
    int32_t state;
    const char* text;
    QColor colour;
    CStatusLook::Icon icon;
    RowPart link;
    const char* linkText;
};

const QColor kRed(0xCC, 0x00, 0x00);
const QColor kBright(0xFF, 0x00, 0x00);
const QColor kBlue(0x0C, 0x7C, 0xF1);
const QColor kShop(0x17, 0x8B, 0xFF);
using Icon = CStatusLook::Icon;

const Expected kStates[] = {
    {kTaskWaiting, "等待上传...", QColor(0x85, 0x7F, 0x7F), Icon::Waiting, RowPart::None, ""},
    {kTaskComplete, "上传成功!", QColor(0x30, 0x81, 0x09), Icon::Success, RowPart::View, "查看"},
    {kTaskFailed, "上传失败!", kRed, Icon::Failed, RowPart::Retry, "重传"},
    {kTaskEmptyFile, "您所选的文件内容为空", kBright, Icon::None, RowPart::None, ""},
    {kTaskTooLarge, "文件大小超过100.0M", kBright, Icon::None, RowPart::Upgrade, "升级VIP>>"},
    {kTaskFileLocked, "文件正在被使用，请稍后再试", kRed, Icon::Failed, RowPart::Retry, "重传"},
    {kTaskFileMissing, "文件不存在", kRed, Icon::Failed, RowPart::None, ""},
    {kTaskDiskFull, "网盘空间已满", kRed, Icon::None, RowPart::Upgrade, "扩容>>"},
    {kTaskTimeout, "上传超时，请稍后再试", kRed, Icon::Failed, RowPart::Retry, "重传"},
    {kTaskParentMissing, "网盘'我收到的文件'不存在,上传失败", kRed, Icon::Failed, RowPart::None,
     ""},
    {kTaskFileExists, "文件重名，上传失败", kRed, Icon::Failed, RowPart::None, ""},
};

// A row painted as the container paints it.
QImage Paint(const CTaskBarWin& row, RowPart hovered = RowPart::None) {
    QImage image(kWidth, 56, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(QRect(0, 0, kWidth, 56), ui::UiImages().rowBackground);
    row.Paint(painter, kWidth, hovered);
    return image;
}

// True when some pixel of the band is the colour, give or take the blending of the
// antialiased strokes with the row's background.
bool HasColour(const QImage& image, QRect band, QColor colour) {
    int best = 1000;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            best = std::min(best, std::abs(pixel.red() - colour.red()) +
                                      std::abs(pixel.green() - colour.green()) +
                                      std::abs(pixel.blue() - colour.blue()));
        }
    }
    return best <= 24;
}

class RowTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        settings::SetMaxFileSize(u"104857600");  // 100 MiB
    }
};

}  // namespace

TEST_F(RowTest, EachStateShowsItsTextColourIconAndLink) {
    for (const Expected& expected : kStates) {
        SCOPED_TRACE(expected.state);
        const CTaskBarWin row(Task(expected.state), 0);
        const CStatusLook look = row.Look(kWidth);
        EXPECT_EQ(Utf8(look.text), expected.text);
        EXPECT_EQ(look.colour, expected.colour);
        EXPECT_EQ(look.icon, expected.icon);
        EXPECT_EQ(look.link, expected.link);
        EXPECT_EQ(Utf8(look.linkText), expected.linkText);
        if (look.link == RowPart::Retry || look.link == RowPart::View) {
            EXPECT_EQ(look.linkColour, kBlue);
        } else if (look.link == RowPart::Upgrade) {
            EXPECT_EQ(look.linkColour, kShop);
        }
        // The colour is really on the status line, in the text (not the icon).
        EXPECT_TRUE(HasColour(Paint(row), QRect(look.textX, 28, kWidth - 45 - look.textX, 16),
                              expected.colour));
    }
}

TEST_F(RowTest, StatusTextsAndLinksStandWhereTheirStateSays) {
    EXPECT_EQ(CTaskBarWin(Task(kTaskWaiting), 0).Look(kWidth).textX, 16 + 12);
    EXPECT_EQ(CTaskBarWin(Task(kTaskFailed), 0).Look(kWidth).textX, 16 + 12);
    EXPECT_EQ(CTaskBarWin(Task(kTaskTooLarge), 0).Look(kWidth).textX, 10);
    EXPECT_EQ(CTaskBarWin(Task(kTaskDiskFull), 0).Look(kWidth).textX, 12);
    const CTaskBarWin failed(Task(kTaskFailed), 0);
    const QRect retry = failed.PartRect(RowPart::Retry, kWidth);
    EXPECT_EQ(retry.right() + 1, kWidth - 10);  // right-aligned, 10 from the edge
    const QRect view = CTaskBarWin(Task(kTaskComplete), 0).PartRect(RowPart::View, kWidth);
    EXPECT_EQ(view.right() + 1, kWidth - 15);
    const CTaskBarWin large(Task(kTaskTooLarge), 0);
    const CStatusLook look = large.Look(kWidth);
    EXPECT_GT(look.linkX, 10 + 10);
    EXPECT_EQ(large.LinkText(), u"升级VIP>>");
    EXPECT_EQ(CTaskBarWin(Task(kTaskDiskFull), 0).LinkText(), u"扩容>>");
    // States 4 and 8 draw no status line.
    EXPECT_TRUE(CTaskBarWin(Task(4), 0).Look(kWidth).text.empty());
    EXPECT_TRUE(CTaskBarWin(Task(kTaskCancelled), 0).Look(kWidth).text.empty());
}

TEST_F(RowTest, ClicksFindTheRemoveGlyphAndTheLinks) {
    const CTaskBarWin failed(Task(kTaskFailed), 0);
    EXPECT_EQ(failed.PartRect(RowPart::Remove, kWidth), QRect(kWidth - 30, 13, 10, 9));
    EXPECT_EQ(failed.HitTest(QPoint(kWidth - 25, 17), kWidth), RowPart::Remove);
    EXPECT_EQ(failed.HitTest(failed.PartRect(RowPart::Retry, kWidth).center(), kWidth),
              RowPart::Retry);
    EXPECT_EQ(failed.HitTest(QPoint(40, 15), kWidth), RowPart::None);
    const CTaskBarWin done(Task(kTaskComplete), 0);
    EXPECT_EQ(done.HitTest(done.PartRect(RowPart::View, kWidth).center(), kWidth), RowPart::View);
    EXPECT_TRUE(done.PartRect(RowPart::Retry, kWidth).isEmpty());
}

TEST_F(RowTest, AnEmptyFileShowsNoProgressAndNeverDividesByZero) {
    CTaskBarWin row(Task(kTaskUploading, 0, 0), 1000);
    EXPECT_EQ(row.Progress(), 0.0f);
    row.Update(Task(kTaskUploading, 0, 5), 5000);
    EXPECT_EQ(row.DoneSize(), 0u);
    EXPECT_EQ(row.Progress(), 0.0f);
    EXPECT_EQ(row.Speed(), 0u);
    EXPECT_EQ(Utf8(ui::PercentText(row.Progress())), "0");
    EXPECT_TRUE(HasColour(Paint(row), QRect(kWidth - 40, 28, 30, 16), QColor(0x24, 0x7E, 0xCA)));
}

TEST_F(RowTest, TheSizeLimitIsShownInKilobytesBelowOneMebibyte) {
    EXPECT_EQ(Utf8(ui::SizeLimitText(1048575)), "1024.0K");
    EXPECT_EQ(Utf8(ui::SizeLimitText(1048576)), "1.0M");
    EXPECT_EQ(Utf8(ui::SizeLimitText(104857600)), "100.0M");
    EXPECT_EQ(Utf8(ui::SizeLimitText(0)), "0.0K");
    settings::SetMaxFileSize(u"1048575");
    EXPECT_EQ(Utf8(CTaskBarWin(Task(kTaskTooLarge), 0).Look(kWidth).text), "文件大小超过1024.0K");
    settings::SetMaxFileSize(u"not a number");
    EXPECT_EQ(Utf8(CTaskBarWin(Task(kTaskTooLarge), 0).Look(kWidth).text), "文件大小超过0.0K");
}

TEST_F(RowTest, ProgressAndSpeedFollowTheBytesSent) {
    CTaskBarWin row(Task(kTaskWaiting, 10000), 1000);
    EXPECT_EQ(row.StartTick(), 0u);
    row.Update(Task(kTaskUploading, 10000, 1000), 2000);
    EXPECT_EQ(row.StartTick(), 2000u);
    EXPECT_FLOAT_EQ(row.Progress(), 0.1f);
    row.Update(Task(kTaskUploading, 10000, 3000), 3999);  // under two whole seconds
    EXPECT_EQ(row.Speed(), 0u);
    row.Update(Task(kTaskUploading, 10000, 5000), 4500);  // two whole seconds
    EXPECT_EQ(row.Speed(), 2500u);
    EXPECT_EQ(row.StartTick(), 2000u);
    row.Update(Task(kTaskUploading, 10000, 20000), 6000);  // more than the file: clamped
    EXPECT_EQ(row.DoneSize(), 10000u);
    EXPECT_FLOAT_EQ(row.Progress(), 1.0f);
    EXPECT_EQ(Utf8(ui::PercentText(row.Progress())), "100");

    EXPECT_EQ(row.Update(Task(kTaskWaiting, 10000, 10000), 7000), kTaskUploading);
    EXPECT_EQ(row.StartTick(), 0u);
    EXPECT_EQ(row.Progress(), 0.0f);
    EXPECT_EQ(row.Speed(), 0u);
    row.Update(Task(kTaskFailed, 10000, 4000), 8000);
    row.ResetForRetry();
    EXPECT_EQ(row.State(), kTaskWaiting);
    EXPECT_EQ(row.DoneSize(), 0u);
    EXPECT_TRUE(row.LinkText().empty());
}

TEST_F(RowTest, ReferencePictureOfEveryState) {
    // Kept for reviewers: every state, one row each, and an uploading row at 37 percent.
    QImage sheet(kWidth, 56 * (std::size(kStates) + 1), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xE8, 0xF1, 0xFB));
    QPainter painter(&sheet);
    int y = 0;
    const CTaskBarWin uploading(Task(kTaskUploading, 1000, 370), 0);
    painter.drawImage(0, y, Paint(uploading));
    for (const Expected& expected : kStates) {
        y += 56;
        const CTaskBarWin row(Task(expected.state), 0);
        painter.drawImage(0, y, Paint(row, expected.link));
    }
    painter.end();
    QDir().mkpath(NORVEL_UI_SHOTS_DIR);
    EXPECT_TRUE(sheet.save(NORVEL_UI_SHOTS_DIR "/rows_every_state.png"));
}
