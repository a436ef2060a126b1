#include <filesystem>

#include "settings/ini.h"
#include "settings_test_support.h"

using namespace settings;

namespace {

class IniTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        SetHostProgramPath(platform::Utf8ToWide(m_Dir.File("Norvel_Flinga")));
        std::filesystem::create_directories(m_Dir.File("skinwnd-res/uploader"));
    }
    void WriteUiIni(const std::string& text) {
        norvel::test::WriteFile(m_Dir.File("skinwnd-res/uploader/UI.ini"), text);
    }
};

}  // namespace

TEST_F(IniTest, MissingFileGivesTheDefaults) {
    std::vector<int> values;
    EXPECT_EQ(IniInts(u"mainDlg", u"size", values), 3);
    EXPECT_EQ(values, (std::vector<int>{10, 10, 10}));
    std::u16string text;
    EXPECT_EQ(IniText(u"mainDlg", text), 0);
    EXPECT_TRUE(text.empty());
}

TEST_F(IniTest, ValuesAreFoundWithoutRegardToCase) {
    WriteUiIni(
        "; layout\n[MainDlg]\nSize = 264 352\r\npos=-3 12x 7\ntext=\"Norvel网盘\"\n"
        "[other]\nsize=1\n");
    std::vector<int> values;
    EXPECT_EQ(IniInts(u"maindlg", u"SIZE", values), 2);
    EXPECT_EQ(values, (std::vector<int>{264, 352}));
    values.clear();
    EXPECT_EQ(IniInts(u"mainDlg", u"pos", values), 3);
    EXPECT_EQ(values, (std::vector<int>{-3, 12, 7}));
    std::u16string text;
    EXPECT_EQ(IniText(u"mainDlg", text), 1);
    EXPECT_EQ(text, u"Norvel网盘");
}

TEST_F(IniTest, ChangedFileIsReadAgain) {
    WriteUiIni("[a]\ntext=one\n");
    std::u16string text;
    IniText(u"a", text);
    EXPECT_EQ(text, u"one");
    std::filesystem::last_write_time(
        m_Dir.File("skinwnd-res/uploader/UI.ini"),
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10));
    WriteUiIni("[a]\ntext=two\n");
    IniText(u"a", text);
    EXPECT_EQ(text, u"two");
}

TEST_F(IniTest, ThemePathIsBesideTheProgram) {
    EXPECT_EQ(ThemePath(u"blue"),
              platform::Utf8ToWide(m_Dir.File("skinwnd-res/uploader/blue/theme.ini")));
    SetHostProgramPath(u"Norvel_Flinga");
    EXPECT_EQ(ThemePath(u"blue"), u"");
}
