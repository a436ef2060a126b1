#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "ui/dialog_skin.h"
#include "ui/skin_button.h"
#include "ui_test_support.h"

using ui::CDialogSkin;
using ui::CSkinButton;
using ui_test::UiTest;

namespace {

using SkinButtonTest = UiTest;

// A dialog of the "others" skin with the buttons given by caption.
struct CButtonDialog {
    QDialog dialog;
    std::vector<QPushButton*> buttons;
    CDialogSkin* skin = nullptr;

    explicit CButtonDialog(const QStringList& captions) {
        dialog.setWindowTitle(QStringLiteral("按钮"));
        auto* column = new QVBoxLayout(&dialog);
        column->addWidget(new QLabel(QStringLiteral("每种状态的按钮")));
        auto* row = new QHBoxLayout;
        for (const QString& caption : captions) {
            buttons.push_back(new QPushButton(caption));
            buttons.back()->setFixedSize(76, 27);
            row->addWidget(buttons.back());
        }
        column->addLayout(row);
        skin = CDialogSkin::Apply(&dialog, QStringLiteral("others"));
    }
};

}  // namespace

TEST_F(SkinButtonTest, AButtonClicksOnlyWhenReleasedOverItAndSpaceClicksToo) {
    CButtonDialog d({QStringLiteral("确定"), QStringLiteral("取消")});
    ASSERT_NE(d.skin, nullptr);
    d.dialog.show();
    QPushButton* ok = d.buttons[0];
    QSignalSpy clicks(ok, &QPushButton::clicked);
    CSkinButton* skin = d.skin->SkinOf(ok);
    ASSERT_NE(skin, nullptr);

    QTest::mouseMove(ok, {10, 10});
    EXPECT_EQ(skin->CurrentPicture(), CSkinButton::HoverPicture);
    QTest::mousePress(ok, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(skin->CurrentPicture(), CSkinButton::PressedPicture);
    QTest::mouseMove(ok, {200, 10});
    QTest::mouseRelease(ok, Qt::LeftButton, {}, {200, 10});
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(skin->CurrentPicture(), CSkinButton::Focused);  // the press took the focus

    QTest::mouseMove(ok, {10, 10});
    QTest::mouseClick(ok, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(ok, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2);
    ok->setEnabled(false);
    EXPECT_EQ(skin->CurrentPicture(), CSkinButton::Disabled);
    EXPECT_EQ(ok->accessibleName(), QStringLiteral("确定"));
}

TEST_F(SkinButtonTest, ASkinnedDialogTakesTabReturnAndEscapeAndFreesItsButtonsWithIt) {
    auto* d = new CButtonDialog({QStringLiteral("重试"), QStringLiteral("取消")});
    d->dialog.show();
    QApplication::setActiveWindow(&d->dialog);
    QSignalSpy first(d->buttons[0], &QPushButton::clicked),
        second(d->buttons[1], &QPushButton::clicked);
    d->buttons[0]->setFocus();
    QTest::keyClick(d->buttons[0], Qt::Key_Tab);
    EXPECT_TRUE(d->buttons[1]->hasFocus());
    QTest::keyClick(d->buttons[1],
                    Qt::Key_Return);  // the default (first) button, not the focused one
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(second.count(), 0);
    QTest::keyClick(d->buttons[1], Qt::Key_Escape);
    EXPECT_EQ(d->dialog.result(), 2);
    EXPECT_EQ(d->skin->Buttons().size(), 2u);
    EXPECT_EQ(d->skin->Frame().Window(), &d->dialog);
    QPushButton* kept = d->buttons[0];
    delete d;
    EXPECT_TRUE(ui::CSubclassWndMap::Instance().Chain(kept).empty());
}

TEST_F(SkinButtonTest, AButtonAlreadyWornByAnotherObjectIsLeftAlone) {
    QDialog dialog;
    auto* worn = new QPushButton(QStringLiteral("登录"), &dialog);
    CSkinButton own(worn);
    auto* plain = new QPushButton(QStringLiteral("注册"), &dialog);
    CDialogSkin* skin = CDialogSkin::Apply(&dialog, QStringLiteral("login"));
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->SkinOf(worn), nullptr);
    EXPECT_NE(skin->SkinOf(plain), nullptr);
    EXPECT_EQ(ui::ImageSetForCaption(QStringLiteral("登录")), QStringLiteral("Botton1"));
    EXPECT_EQ(ui::ImageSetForCaption(QStringLiteral("注册")), QStringLiteral("Botton1"));
}

TEST_F(SkinButtonTest, ScreenshotOfASkinnedDialogWithButtonsInEveryState) {
    CButtonDialog d({QStringLiteral("普通"), QStringLiteral("焦点"), QStringLiteral("按下"),
                     QStringLiteral("悬停"), QStringLiteral("禁用")});
    d.dialog.resize(440, 130);
    d.dialog.show();
    d.buttons[1]->setFocus();
    QTest::mouseMove(d.buttons[2], {10, 10});
    QTest::mousePress(d.buttons[2], Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(d.skin->SkinOf(d.buttons[2])->CurrentPicture(), CSkinButton::PressedPicture);
    QTest::mouseRelease(d.buttons[2], Qt::LeftButton, {}, {200, 200});
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(d.buttons[3], &move);
    d.buttons[4]->setEnabled(false);
    // Pressed again for the picture, without a release.
    QTest::mouseMove(d.buttons[2], {10, 10});
    QTest::mousePress(d.buttons[2], Qt::LeftButton, {}, {10, 10});
    d.buttons[1]->setFocus();
    EXPECT_EQ(d.skin->SkinOf(d.buttons[0])->CurrentPicture(), CSkinButton::NormalPicture);
    EXPECT_EQ(d.skin->SkinOf(d.buttons[1])->CurrentPicture(), CSkinButton::Focused);
    EXPECT_EQ(d.skin->SkinOf(d.buttons[3])->CurrentPicture(), CSkinButton::HoverPicture);
    EXPECT_EQ(d.skin->SkinOf(d.buttons[4])->CurrentPicture(), CSkinButton::Disabled);
    SaveShot(d.dialog, "skinned_dialog_button_states");
}
