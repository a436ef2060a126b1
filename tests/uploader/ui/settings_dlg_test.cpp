#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

#include "settings/registry_values.h"
#include "ui/autostart_entry.h"
#include "ui/mini_wnd.h"
#include "ui/settings_dlg.h"
#include "ui_test_support.h"

using ui::CSettingsDlg;

namespace {

std::string Stored(std::u16string_view key, std::u16string_view name) {
    const auto value = settings::ReadString(key, name);
    return value ? QString::fromStdU16String(*value).toStdString() : "<none>";
}

// The page as the mini window's menu opens it, with its messages recorded.
class SettingsTest : public ui_test::UiTest {
protected:
    void TearDown() override {
        delete CSettingsDlg::Instance();
        QFile::remove(ui::AutostartEntryPath());
        UiTest::TearDown();
    }

    CSettingsDlg& OpenPage() {
        Main();
        ui::CSettingsDlgOptions options;
        options.tell = [this](const QString& text) { m_Told.push_back(text); };
        options.tipsReset = [this] { ++m_TipsResets; };
        options.launcherPath = QString::fromStdString(m_Dir.File("Flinga/Norvel_Flinga"));
        return *CSettingsDlg::Open(options);
    }

    QStringList m_Told;
    int m_TipsResets = 0;
};

TEST_F(SettingsTest, TheMenuCommandOpensOnePageDrawnWithTheSkin) {
    Main();
    m_Ui->MiniDialog()->RunCommand(ui::CMiniWnd::kSettings);
    QPointer<CSettingsDlg> page = CSettingsDlg::Instance();
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->isVisible());
    m_Ui->MiniDialog()->RunCommand(ui::CMiniWnd::kSettings);
    EXPECT_EQ(CSettingsDlg::Instance(), page.data()) << "one page at a time";
    ProcessEvents();
    SaveShot(*page, "settings_page");
}

TEST_F(SettingsTest, EachValueIsStoredAndTheAutostartEntryComesAndGoes) {
    settings::WriteString(settings::kNorvelKey, settings::kLimitSpeed, u"0;50");
    settings::WriteDword(settings::kFlingaKey, settings::kMiniTips, 0);
    CSettingsDlg& page = OpenPage();
    page.HostEdit(0)->setText(QStringLiteral("api.example.test:8080"));
    page.HostEdit(1)->setText(QStringLiteral("web.example.test"));
    page.HostEdit(2)->setText(QStringLiteral("[::1]:9000"));
    page.HostEdit(3)->setText(QStringLiteral("login.example.test:81"));
    page.SpeedEdit()->setText(QStringLiteral("200"));
    page.AutoCopyBox()->setChecked(true);
    page.AutostartBox()->setChecked(true);
    ASSERT_TRUE(page.Apply()) << m_Told.join(u'\n').toStdString();
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kApiHost), "api.example.test:8080");
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kWebHost), "web.example.test");
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kDownloadHost), "[::1]:9000");
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kLoginHost), "login.example.test:81");
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kLimitSpeed), "200;50");
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard), 1u);
    ASSERT_TRUE(QFileInfo::exists(ui::AutostartEntryPath()));
    EXPECT_TRUE(ui::AutostartEntryPath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    QFile entry(ui::AutostartEntryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\nType=Application\n")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("\nExec=\"%1\" -shortcut\n")
                          .arg(QString::fromStdString(m_Dir.File("Flinga/Norvel_Flinga")))));

    page.TipsButton()->click();
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kMiniTips), 7u);
    EXPECT_EQ(m_TipsResets, 1);

    // A page opened again shows what is stored; clearing a host goes back to the default.
    delete &page;
    CSettingsDlg& again = OpenPage();
    EXPECT_EQ(again.HostEdit(0)->text(), QStringLiteral("api.example.test:8080"));
    EXPECT_EQ(again.SpeedEdit()->text(), QStringLiteral("200"));
    EXPECT_TRUE(again.AutostartBox()->isChecked());
    again.HostEdit(0)->clear();
    again.AutostartBox()->setChecked(false);
    again.AutoCopyBox()->setChecked(false);
    ASSERT_TRUE(again.Apply());
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kApiHost), "<none>");
    EXPECT_EQ(settings::ReadDword(settings::kFlingaKey, settings::kAutoClipboard), 0u);
    EXPECT_FALSE(QFileInfo::exists(ui::AutostartEntryPath()));
    EXPECT_TRUE(m_Told.isEmpty());
}

TEST_F(SettingsTest, InvalidValuesAreNamedAndNothingIsStored) {
    settings::WriteString(settings::kNorvelKey, settings::kApiHost, u"kept:1");
    CSettingsDlg& page = OpenPage();
    page.HostEdit(0)->setText(QStringLiteral("new:2"));
    page.HostEdit(2)->setText(QStringLiteral("host/path"));
    EXPECT_FALSE(page.Apply());
    page.HostEdit(2)->setText(QStringLiteral("host:99999"));
    EXPECT_FALSE(page.Apply());
    page.HostEdit(2)->clear();
    page.SpeedEdit()->setText(QStringLiteral("-5"));
    EXPECT_FALSE(page.Apply());
    page.SpeedEdit()->setText(QStringLiteral("fast"));
    EXPECT_FALSE(page.Apply());
    ASSERT_EQ(m_Told.size(), 4);
    EXPECT_TRUE(m_Told[0].startsWith(QStringLiteral("下载服务器的地址无效")));
    EXPECT_TRUE(m_Told[1].startsWith(QStringLiteral("下载服务器的地址无效")));
    EXPECT_TRUE(m_Told[2].startsWith(QStringLiteral("上传限速须为 0 到 10240")));
    EXPECT_EQ(Stored(settings::kNorvelKey, settings::kApiHost), "kept:1");
    EXPECT_TRUE(page.isVisible());
}

TEST_F(SettingsTest, TheAccountButtonLogsOutThroughTheMainWindow) {
    CSettingsDlg& page = OpenPage();
    EXPECT_EQ(page.AccountButton()->text(), QStringLiteral("注销"));
    page.AccountButton()->click();
    EXPECT_TRUE(WaitFor([&] {
        return std::find(m_Messages.begin(), m_Messages.end(), "|注销，退出程序！！！") !=
               m_Messages.end();
    }));
}

}  // namespace
