#include <QApplication>
#include <QTest>
#include <QTimer>

#include "settings/settings.h"
#include "ui/about_dlg.h"
#include "ui/dialog_skin.h"
#include "ui/dlg_message.h"
#include "ui/link_opener.h"
#include "ui/text_link.h"
#include "ui_test_support.h"

using ui::CDlgMessage;
using ui_test::UiTest;

namespace {

class DlgMessageTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::SetLinkOpener(
            [this](const std::u16string& url) { m_Opened.push_back(ui_test::Utf8(url)); });
    }
    void TearDown() override {
        ui::SetLinkOpener(nullptr);
        UiTest::TearDown();
    }
    std::vector<std::string> m_Opened;
};

// Opens the box (modal, without blocking), runs the step and returns the result it ended with
// (-1 while it is still open).
int ResultAfter(CDlgMessage& box, const std::function<void()>& step) {
    box.open();
    box.setResult(-1);
    step();
    return box.isVisible() ? -1 : box.result();
}

}  // namespace

TEST_F(DlgMessageTest, LinesStartHigherTheMoreThereAreAndFollowEachOther) {
    EXPECT_EQ(CDlgMessage(QStringLiteral("没有可上传文件"), 0, false).LineTops(),
              std::vector<int>{54});
    CDlgMessage three(QStringLiteral("一\n二\n三"), 1, false);
    const std::vector<int> tops = three.LineTops();
    ASSERT_EQ(tops.size(), 3u);
    EXPECT_EQ(tops[0], 46);
    EXPECT_GT(tops[1], tops[0] + 8);
    EXPECT_EQ(tops[2] - tops[1], tops[1] - tops[0]);
    EXPECT_EQ(CDlgMessage::FirstLineTop(2), 46);
    EXPECT_EQ(CDlgMessage::FirstLineTop(5), 38);
}

TEST_F(DlgMessageTest, TheButtonsTheGlyphAndTheKeysEndTheBoxWithTheirResults) {
    CDlgMessage retry(QStringLiteral("上传失败"), CDlgMessage::RetryCancel, false);
    EXPECT_EQ(retry.FirstButton()->text(), QStringLiteral("重试"));
    EXPECT_EQ(retry.SecondButton()->text(), QStringLiteral("取消"));
    EXPECT_EQ(retry.FirstButton()->pos(), QPoint(74, 90));
    EXPECT_EQ(retry.SecondButton()->pos(), QPoint(135, 90));
    EXPECT_EQ(ResultAfter(retry, [&] { QTest::mouseClick(retry.FirstButton(), Qt::LeftButton); }),
              1);
    EXPECT_EQ(ResultAfter(retry, [&] { QTest::mouseClick(retry.SecondButton(), Qt::LeftButton); }),
              2);
    EXPECT_EQ(ResultAfter(retry, [&] { QTest::mouseClick(retry.CloseGlyph(), Qt::LeftButton); }),
              2);
    EXPECT_EQ(retry.CloseGlyph()->geometry(), QRect(205, 5, 22, 22));
    EXPECT_EQ(ResultAfter(retry, [&] { QTest::keyClick(&retry, Qt::Key_Escape); }), 2);
    EXPECT_EQ(ResultAfter(retry, [&] { QTest::keyClick(&retry, Qt::Key_Return); }), 1);
    // A press on the glyph released elsewhere does nothing.
    EXPECT_EQ(ResultAfter(retry,
                          [&] {
                              QTest::mousePress(retry.CloseGlyph(), Qt::LeftButton);
                              QTest::mouseRelease(retry.CloseGlyph(), Qt::LeftButton, {}, {60, 60});
                          }),
              -1);
    retry.done(0);

    // The first text has the focus at the start; Tab goes on to the second.
    CDlgMessage fresh(QStringLiteral("上传失败"), CDlgMessage::RetryCancel, false);
    fresh.show();
    QApplication::setActiveWindow(&fresh);
    EXPECT_TRUE(fresh.FirstButton()->hasFocus());
    QTest::keyClick(fresh.FirstButton(), Qt::Key_Tab);
    EXPECT_TRUE(fresh.SecondButton()->hasFocus());
    QTest::keyClick(fresh.SecondButton(), Qt::Key_Space);
    EXPECT_EQ(fresh.result(), 2);

    CDlgMessage plain(QStringLiteral("没有可上传文件"), CDlgMessage::NoButtons, false);
    EXPECT_EQ(plain.FirstButton(), nullptr);
    EXPECT_EQ(ResultAfter(plain, [&] { QTest::keyClick(&plain, Qt::Key_Return); }), 1);
    EXPECT_EQ(retry.FirstButton()->accessibleName(), QStringLiteral("重试"));
    EXPECT_EQ(retry.CloseGlyph()->accessibleName(), QStringLiteral("关闭"));
}

TEST_F(DlgMessageTest, UpgradeOpensTheShopPageAndLeavesTheBoxOpen) {
    CDlgMessage vip(QStringLiteral("空间不足"), CDlgMessage::UpgradeVip, false);
    EXPECT_EQ(ResultAfter(vip, [&] { QTest::mouseClick(vip.FirstButton(), Qt::LeftButton); }), -1);
    ASSERT_EQ(m_Opened.size(), 1u);
    EXPECT_THAT(m_Opened[0], ::testing::EndsWith("/shop/vip"));
    EXPECT_EQ(vip.SecondButton()->text(), QStringLiteral("放弃"));
    QTest::mouseClick(vip.SecondButton(), Qt::LeftButton);
    EXPECT_EQ(vip.result(), 2);
}

TEST_F(DlgMessageTest, TheLibrarysMessagesComeInTheMessageBox) {
    ui::CQtIntakeUi real;  // the default message box
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = dynamic_cast<CDlgMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->Lines();
        seen << box->windowTitle();
        box->done(1);
    });
    real.ShowMessage(u"没有可上传文件", u"错误");
    EXPECT_EQ(seen, (QStringList{QStringLiteral("没有可上传文件"), QStringLiteral("错误")}));

    settings::SetHostProgramPath(u"Norvel_Flinga");  // no folder: the skin cannot be found
    QDialog dialog;
    EXPECT_EQ(ui::CDialogSkin::Apply(&dialog, QStringLiteral("others")), nullptr);
    EXPECT_EQ(m_Messages, std::vector<std::string>{"|加载资源错误"});
}

TEST_F(DlgMessageTest, ScreenshotsOfEveryKind) {
    const std::pair<int, const char*> kinds[] = {
        {0, "没有可上传文件"},
        {1, "分享链接获取失败\n是否重试？"},
        {2, "文件还在上传中\n现在放弃将不会生成链接\n确定放弃吗？"},
        {7, "单个文件超过了上传限制\n升级VIP可上传更大的文件"}};
    for (const auto& [kind, text] : kinds) {
        CDlgMessage box(QString::fromUtf8(text), kind, false);
        box.show();
        if (kind == 1)
            QTest::mouseMove(box.FirstButton(), {5, 5});
        UiTest::SaveShot(box, "message_kind_" + std::to_string(kind));
    }
}

TEST_F(DlgMessageTest, TheAboutBoxIsOneWindowAndLinksToTheSite) {
    int nested = -1;
    int boxes = 0;
    QTimer::singleShot(0, [&] {
        ui::CAboutDlg* open = ui::CAboutDlg::Instance();
        ASSERT_NE(open, nullptr);
        nested = ui::CAboutDlg::ShowAbout();  // asked again: the open one comes forward
        for (QWidget* w : QApplication::topLevelWidgets())
            boxes += dynamic_cast<ui::CAboutDlg*>(w) != nullptr;
        EXPECT_EQ(open->size(), QSize(407, 224));
        EXPECT_EQ(open->OkButton()->geometry(), QRect(407 - 4 - 80, 224 - 8 - 32, 68, 27));
        open->show();
        SaveShot(*open, "about_box");
        QTest::mouseClick(open->SiteLink(), Qt::LeftButton);
        QTest::mouseClick(open->OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(ui::CAboutDlg::ShowAbout(), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(ui::CAboutDlg::Instance(), nullptr);
    ASSERT_EQ(m_Opened.size(), 1u);
    EXPECT_THAT(m_Opened[0], ::testing::StartsWith("http://"));
}
