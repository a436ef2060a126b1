#include <QDirIterator>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/process.h"
#include "platform/text.h"
#include "settings/ini.h"
#include "ui/skin_files.h"
#include "ui/ui_fonts.h"
#include "ui/ui_images.h"
#include "ui_test_support.h"

using ui_test::UiTest;

namespace {

using SkinTest = UiTest;

// Every file below the folder, by relative path.
std::set<QString> FilesBelow(const QString& folder) {
    std::set<QString> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(folder).relativeFilePath(it.next()));
    return files;
}

// Pictures that carry a caption: their pixels depend on the fonts of the machine.
const std::set<QString> kPicturesWithText = {"about_banner.png", "others/button_expand.png",
                                             "others/button_vip.png", "others/button_weibo.png"};

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The largest difference of one colour channel between two pictures of the same size.
// Qt's raster engine rounds antialiased edges by one step differently on processors with
// other vector units, so a redrawn picture may differ from the kept one by 1 here and there.
int LargestChannelDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            largest = std::max({largest, std::abs(qRed(p[col]) - qRed(q[col])),
                                std::abs(qGreen(p[col]) - qGreen(q[col])),
                                std::abs(qBlue(p[col]) - qBlue(q[col])),
                                std::abs(qAlpha(p[col]) - qAlpha(q[col]))});
        }
    }
    return largest;
}

bool IsCjkFamily(const QString& family) {
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

}  // namespace

TEST_F(SkinTest, TheGeneratorRedrawsTheSkinKeptInTheRepository) {
    const std::string out = m_Dir.File("generated");
    ASSERT_TRUE(platform::RunProgramOutput({NORVEL_SKIN_ART, out}, 60000));
    const QString generated = QString::fromStdString(out);
    const QString kept = QStringLiteral(NORVEL_SKIN_SOURCE);
    const std::set<QString> files = FilesBelow(generated);
    ASSERT_EQ(files, FilesBelow(kept)) << "run the target regenerate_skin";
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        if (!file.endsWith(".png")) {
            EXPECT_EQ(norvel::test::ReadFile((generated + "/" + file).toStdString()),
                      norvel::test::ReadFile((kept + "/" + file).toStdString()));
            continue;
        }
        const QImage made(generated + "/" + file);
        const QImage held(kept + "/" + file);
        ASSERT_EQ(made.size(), held.size());
        if (!kPicturesWithText.contains(QString(file).remove(QStringLiteral("@2x")))) {
            EXPECT_LE(LargestChannelDifference(made, held), 1) << "run the target regenerate_skin";
        }
    }
}

TEST_F(SkinTest, EveryPictureOfTheWindowsIsBesideTheLibraryInItsSize) {
    using namespace ui::skin;
    for (const Picture& picture : {kMainBackground,    kMainLogo,      kMainClose,
                                   kAppIcon,           kRowBackground, kRowWaiting,
                                   kRowFailed,         kRowSuccess,    kProgressTrack,
                                   kProgressFill,      kRowRemove,     kScrollTrack,
                                   kThumbTop,          kThumbMiddle,   kThumbBottom,
                                   kMiniMain,          kMiniClose,     kMiniConfirm,
                                   kMiniMark,          kMiniHint,      kTipsBackground,
                                   kMessageBackground, kMessageClose,  kMessageIcon,
                                   kAboutBanner,       kMenu}) {
        SCOPED_TRACE(ui_test::Utf8(picture.file));
        const QPixmap loaded = ui::LoadSkinPicture(picture.file);
        ASSERT_FALSE(loaded.isNull());
        EXPECT_EQ(loaded.size(), QSize(picture.width, picture.height));
    }
    EXPECT_TRUE(ui::LoadSkinPicture(u"no-such-picture.png").isNull());
}

TEST_F(SkinTest, TheLayoutFileHoldsEveryElementTheDialogsName) {
    for (const char16_t* section :
         {u"loginDlg", u"AccountEdit", u"PwdEdit", u"LoginButton", u"RemCheckbox", u"OuterLinkDlg",
          u"outerlinkbtnok", u"outerlinktxt", u"outerlinkcheck", u"outerlinkcpy", u"SinaBlogsDlg",
          u"SinaBlogsDlgBinding", u"SinaBlogsDlgSend", u"SinaBlogsDlgClose",
          u"SinaBlogsDlgBlogText", u"SinaBlogsCheckRepost", u"SinaBlogsCheckFans"}) {
        SCOPED_TRACE(ui_test::Utf8(section));
        EXPECT_NE(settings::IniString(section, u"size", u""), u"");
    }
    std::vector<std::u16string> texts = {u"AccountText",  u"PwdText",  u"RemText", u"visitText",
                                         u"registerText", u"pwderror", u"neterror"};
    for (int i = 1; i <= 7; ++i)
        texts.push_back(u"outerlink" + platform::Utf8ToWide(std::to_string(i)));
    for (int i = 1; i <= 11; ++i)
        texts.push_back(u"SinaBlogsDlgText" + platform::Utf8ToWide(std::to_string(i)));
    for (const std::u16string& section : texts) {
        SCOPED_TRACE(ui_test::Utf8(section));
        std::u16string text;
        EXPECT_NE(settings::IniText(section, text), 0);
        std::vector<int> numbers;
        EXPECT_EQ(settings::IniInts(section, u"pos", numbers), 2);
        EXPECT_EQ(settings::IniInts(section, u"color", numbers), 3);
    }
}

TEST_F(SkinTest, ThemeFilesNameOnlyPicturesThatExist) {
    for (const char16_t* folder : {u"login", u"others"}) {
        const std::u16string theme = settings::ThemePath(folder);
        const QString base = Q(settings::SkinFolder()) + Q(folder) + "/";
        std::vector<std::pair<std::u16string, std::u16string>> keys = {
            {u"Personality", u"DialogBmp"}, {u"Personality", u"Top"},
            {u"Personality", u"Bottom"},    {u"Personality", u"Left"},
            {u"Personality", u"Right"},     {u"Button0", u"ButtonImage"},
            {u"Buttons", u"Botton1"}};
        if (std::u16string_view(folder) == u"others") {
            for (const char16_t* set : {u"Botton2", u"Botton3", u"Botton92", u"BottonExpendNetdisk",
                                        u"BottonUpdateVip", u"Bottonweibo"})
                keys.emplace_back(u"Buttons", set);
        }
        for (const auto& [section, key] : keys) {
            const std::u16string file = settings::ReadIniString(theme, section, key, u"");
            SCOPED_TRACE(ui_test::Utf8(key));
            ASSERT_FALSE(file.empty());
            EXPECT_FALSE(QImage(base + Q(file)).isNull());
        }
    }
    const QImage button(Q(settings::SkinFolder()) + "others/button92.png");
    EXPECT_EQ(button.size(), QSize(92 * 5, 27));  // focused, normal, pressed, hover, disabled
}

TEST_F(SkinTest, MissingWindowsFontsFallBackToInstalledOnesOfTheSameSize) {
    for (const QString& family : {QStringLiteral("宋体"), QStringLiteral("仿宋体")}) {
        const QFont font = ui::UiFont(family, 12);
        EXPECT_EQ(QFontInfo(font).pixelSize(), 12);
        EXPECT_TRUE(IsCjkFamily(QFontInfo(font).family()))
            << QFontInfo(font).family().toStdString();
    }
    for (const QString& family : {QStringLiteral("Tahoma"), QStringLiteral("Arial")}) {
        const QFont font = ui::UiFont(family, 11, true);
        EXPECT_EQ(QFontInfo(font).pixelSize(), 11);
        EXPECT_TRUE(QFontInfo(font).bold());
        // Chinese text in a Latin face is drawn by a CJK face further down the list.
        const QStringList families = ui::FontFamilies(family);
        EXPECT_TRUE(std::any_of(families.begin(), families.end(), IsCjkFamily));
    }
    EXPECT_FALSE(ui::FontFamilies(QStringLiteral("No Such Face")).isEmpty());
}
