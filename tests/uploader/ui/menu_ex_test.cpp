#include <QSignalSpy>
#include <QTest>

#include "ui/menu_ex.h"
#include "ui_test_support.h"

using ui::CMenuEx;
using ui_test::UiTest;

namespace {

using MenuExTest = UiTest;

// The mini window's menu.
void Fill(CMenuEx& menu) {
    menu.AddCommand(32776, QStringLiteral("显示上传列表"));
    menu.AddCommand(32777, QStringLiteral("全部开始"));
    menu.AddCommand(32779, QStringLiteral("全部暂停"));
    menu.AddSeparator();
    menu.AddCommand(32774, QStringLiteral("升级VIP"));
    menu.AddCommand(32772, QStringLiteral("关于"));
    menu.AddCommand(32780, QStringLiteral("设置"));
    menu.AddSeparator();
    menu.AddCommand(32781, QStringLiteral("退出"));
}

}  // namespace

TEST_F(MenuExTest, ItemsLieOnTheirStripsAndAClickNamesTheCommand) {
    CMenuEx menu;
    Fill(menu);
    menu.Command(32779)->setEnabled(false);
    menu.popup({100, 100});
    ASSERT_TRUE(WaitFor([&] { return menu.isVisible(); }));
    EXPECT_EQ(menu.actionGeometry(menu.Command(32776)).height(), CMenuEx::kItemHeight);
    EXPECT_EQ(menu.actionGeometry(menu.Command(32777)).top(),
              menu.actionGeometry(menu.Command(32776)).bottom() + 1);
    EXPECT_EQ(CMenuEx::StripTop(32774), 69);
    EXPECT_EQ(CMenuEx::StripTop(32781), 138);
    EXPECT_EQ(CMenuEx::StripTop(1), -1);
    // Rounded: the corner pixel is outside the menu's shape, the middle inside.
    EXPECT_FALSE(menu.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(menu.mask().contains(menu.rect().center()));
    EXPECT_LE(menu.mask().boundingRect().width(), CMenuEx::kMaxSide);

    const QPoint about = menu.actionGeometry(menu.Command(32772)).center();
    QTest::mouseMove(&menu, about);
    SaveShot(menu, "menu");
    QSignalSpy chosen(&menu, &QMenu::triggered);
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(menu.Command(32779)).center());
    EXPECT_EQ(chosen.count(), 0);  // disabled
    QTest::mouseClick(&menu, Qt::LeftButton, {}, about);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(CMenuEx::CommandOf(chosen[0][0].value<QAction*>()), 32772);
}

TEST_F(MenuExTest, TheHighestVipLevelRenewsInsteadOfUpgrading) {
    CMenuEx menu;
    Fill(menu);
    menu.SetTopVip(true);
    EXPECT_EQ(menu.Command(CMenuEx::kVipCommand)->text(), QStringLiteral("续费"));
    menu.SetTopVip(false);
    EXPECT_EQ(menu.Command(CMenuEx::kVipCommand)->text(), QStringLiteral("升级VIP"));
}
