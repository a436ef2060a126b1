#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "settings/ini.h"
#include "ui/picture_region.h"
#include "ui/skin_theme.h"
#include "ui/skin_win.h"
#include "ui/subclass_wnd.h"
#include "ui_test_support.h"

using ui::CSkinWin;
using ui_test::UiTest;

namespace {

using SkinEngineTest = UiTest;

QString ThemeOf(const char* folder) {
    return QString::fromStdU16String(settings::ThemePath(QString(folder).toStdU16String()));
}

void Write(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QImage Filled(QImage::Format format, QColor colour, int w = 6, int h = 4) {
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.convertToFormat(format);
}

void Click(QWidget& w, QPoint down, QPoint up) {
    QTest::mousePress(&w, Qt::LeftButton, {}, down);
    QTest::mouseMove(&w, up);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, up);
}

}  // namespace

TEST_F(SkinEngineTest, AThemeWithMissingAndBrokenKeysLoadsWithTheDefaultsAndLogsWhatFailed) {
    QImage top(40, 20, QImage::Format_RGB32);
    top.fill(Qt::blue);
    ASSERT_TRUE(top.save(QString::fromStdString(m_Dir.File("top.png"))));
    QImage caption(30, 10, QImage::Format_RGB32);
    caption.fill(Qt::red);
    ASSERT_TRUE(caption.save(QString::fromStdString(m_Dir.File("close.png"))));
    Write(m_Dir.File("theme.ini"),
          "[Personality]\nTop=top.png\nLeft=missing.png\nTopTopHeight=abc\nTopBotHeight=7px\n"
          "ButtonCount=2\nUsesTran=yes\n"
          "[Button0]\nButtonImage=close.png\nXCoord=40\n[Button1]\nButtonImage=gone.png\n"
          "[Colours]\nTitleText=1 2\nButtonText=10\t20 30\nBarColor=1 2 300\n"
          "[Buttons]\nBotton1=b.png\nLeftWidth=-3\n");
    std::vector<std::pair<QString, bool>> log;
    const auto theme =
        ui::LoadSkinTheme(QString::fromStdString(m_Dir.File("theme.ini")),
                          [&](const QString& text, bool ok) { log.emplace_back(text, ok); });
    const std::vector<std::pair<QString, bool>> expected = {
        {"DialogBmp ERROR", false}, {"Top SUCCESS", true},       {"Bottom Load Error", false},
        {"Left Load Error", false}, {"Right Load Error", false}, {"Button1 Load Error", false},
        {"LoadSkin Success", true}};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(theme->buttonImgCount, 3);
    EXPECT_EQ(theme->buttons.at(0).width, 10);  // three states side by side
    EXPECT_EQ(theme->buttons.at(0).xCoord, 40);
    EXPECT_EQ(theme->buttons.at(0).action, 0);
    EXPECT_EQ(theme->topTopHeight, 0);
    EXPECT_EQ(theme->topBotHeight, 7);
    EXPECT_EQ(theme->TopHeight(), 10);
    EXPECT_FALSE(theme->usesTran);
    EXPECT_EQ(theme->titleText, QColor(0xCF, 0xCF, 0xCF));
    EXPECT_EQ(theme->inactiveTitleText, QColor(0xCF, 0xCF, 0xCF));
    EXPECT_EQ(theme->buttonText, QColor(10, 20, 30));
    EXPECT_EQ(theme->barColor, QColor(Qt::white));
    EXPECT_EQ(theme->menuColor, QColor(Qt::white));
    EXPECT_EQ(theme->margins.left, 0);
    EXPECT_EQ(theme->imageSets.value("Botton1"), "b.png");
}

TEST_F(SkinEngineTest, TheRegionOfAPictureLeavesOutMagentaInEveryPixelDepth) {
    for (QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB16,
                                  QImage::Format_RGB888, QImage::Format_RGB32}) {
        SCOPED_TRACE(int(format));
        EXPECT_TRUE(ui::RegionFromPicture(Filled(format, QColor(255, 0, 255))).isEmpty());
        EXPECT_EQ(ui::RegionFromPicture(Filled(format, QColor(10, 200, 30))), QRegion(0, 0, 6, 4));

        QImage holed(6, 4, QImage::Format_RGB32);
        holed.fill(Qt::darkBlue);
        holed.setPixelColor(0, 0, QColor(255, 0, 255));
        holed.setPixelColor(5, 3, QColor(255, 0, 255));
        holed.setPixelColor(2, 1, QColor(255, 0, 255));
        const QRegion region = ui::RegionFromPicture(holed.convertToFormat(format));
        EXPECT_EQ(region, QRegion(0, 0, 6, 4) - QRegion(0, 0, 1, 1) - QRegion(5, 3, 1, 1) -
                              QRegion(2, 1, 1, 1));
    }
    // Near magenta in 16 bits is still opaque; clear pixels of a picture with alpha are not.
    QImage near(2, 1, QImage::Format_RGB16);
    reinterpret_cast<quint16*>(near.scanLine(0))[0] = 0xF81F;
    reinterpret_cast<quint16*>(near.scanLine(0))[1] = 0xF81E;
    EXPECT_EQ(ui::RegionFromPicture(near), QRegion(1, 0, 1, 1));
    QImage clear(3, 1, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    clear.setPixelColor(1, 0, Qt::black);
    EXPECT_EQ(ui::RegionFromPicture(clear), QRegion(1, 0, 1, 1));
}

namespace {

// Records the events it sees and takes those it is told to.
class CRecordingHook : public ui::CSubclassWnd {
public:
    CRecordingHook(std::vector<std::string>& seen, std::string name, bool take)
        : m_Seen(seen), m_Name(std::move(name)), m_Take(take) {}
    bool destroyedSeen = false;

protected:
    bool WindowProc(QEvent* event) override {
        if (event->type() != QEvent::User)
            return Default(event);
        m_Seen.push_back(m_Name);
        return m_Take || Default(event);
    }
    void OnWindowDestroyed() override { destroyedSeen = true; }

private:
    std::vector<std::string>& m_Seen;
    std::string m_Name;
    bool m_Take;
};

}  // namespace

TEST_F(SkinEngineTest, HooksSeeEventsNewestFirstAndPassThemOnUntilOneTakesThem) {
    std::vector<std::string> seen;
    auto* widget = new QWidget;
    CRecordingHook older(seen, "older", true), newer(seen, "newer", false);
    older.HookWindow(widget);
    newer.HookWindow(widget);
    QEvent user(QEvent::User);
    EXPECT_TRUE(QCoreApplication::sendEvent(widget, &user) || true);
    EXPECT_EQ(seen, (std::vector<std::string>{"newer", "older"}));
    EXPECT_EQ(ui::CSubclassWndMap::Instance().Chain(widget).size(), 2u);

    older.HookWindow(nullptr);
    seen.clear();
    QCoreApplication::sendEvent(widget, &user);
    EXPECT_EQ(seen, (std::vector<std::string>{"newer"}));

    delete widget;
    EXPECT_FALSE(newer.IsHooked());
    EXPECT_TRUE(newer.destroyedSeen);
    EXPECT_TRUE(ui::CSubclassWndMap::Instance().Chain(widget).empty());
}

TEST_F(SkinEngineTest, TheFrameAnswersHitTestsByItsPartsAndOnlyAResizableWindowHasSizingEdges) {
    QWidget window;
    CSkinWin skin;
    ASSERT_TRUE(skin.LoadSkin(ThemeOf("others"), [](const QString&, bool) {}));
    ASSERT_TRUE(skin.InstallSkin(&window));
    window.resize(300, 200);
    EXPECT_EQ(skin.FrameMargins(), QMargins(4, 30, 4, 8));
    EXPECT_EQ(window.contentsRect(), QRect(4, 30, 292, 162));

    const QRect close = skin.CaptionButtonRect(0);
    EXPECT_EQ(close, QRect(300 - 26, 5, 20, 20));
    EXPECT_EQ(skin.HitTest(close.center()), CSkinWin::HTCLOSE);
    EXPECT_EQ(skin.HitTest({10, 14}), CSkinWin::HTSYSMENU);
    EXPECT_EQ(skin.HitTest({150, 15}), CSkinWin::HTCAPTION);
    EXPECT_EQ(skin.HitTest({150, 100}), CSkinWin::HTCLIENT);
    EXPECT_EQ(skin.HitTest({150, 0}), CSkinWin::HTTOP);
    EXPECT_EQ(skin.HitTest({150, 199}), CSkinWin::HTBOTTOM);
    EXPECT_EQ(skin.HitTest({0, 100}), CSkinWin::HTLEFT);
    EXPECT_EQ(skin.HitTest({299, 100}), CSkinWin::HTRIGHT);
    EXPECT_EQ(skin.HitTest({1, 1}), CSkinWin::HTTOPLEFT);
    EXPECT_EQ(skin.HitTest({298, 5}), CSkinWin::HTTOPRIGHT);
    EXPECT_EQ(skin.HitTest({5, 198}), CSkinWin::HTBOTTOMLEFT);
    EXPECT_EQ(skin.HitTest({299, 199}), CSkinWin::HTBOTTOMRIGHT);

    window.setFixedSize(300, 200);
    EXPECT_EQ(skin.HitTest({150, 0}), CSkinWin::HTCLIENT);  // above the caption, not an edge
    EXPECT_EQ(skin.HitTest({150, 2}), CSkinWin::HTCAPTION);
    EXPECT_EQ(skin.HitTest({0, 100}), CSkinWin::HTCLIENT);

    skin.UninstallSkin();
    EXPECT_EQ(window.contentsMargins(), QMargins());
}

TEST_F(SkinEngineTest, TheCloseButtonClosesOnlyWhenReleasedOverIt) {
    QWidget window;
    CSkinWin skin;
    ASSERT_TRUE(skin.LoadSkin(ThemeOf("others"), [](const QString&, bool) {}));
    skin.InstallSkin(&window);
    window.setWindowTitle(QStringLiteral("上传到网盘"));
    window.resize(300, 140);
    window.show();
    const QPoint close = skin.CaptionButtonRect(0).center();

    QTest::mouseMove(&window, close);
    EXPECT_EQ(skin.CaptionButtonState(0), CSkinWin::Hover);
    QTest::mousePress(&window, Qt::LeftButton, {}, close);
    EXPECT_EQ(skin.CaptionButtonState(0), CSkinWin::Pressed);
    UiTest::SaveShot(window, "skin_frame_close_pressed");
    QTest::mouseMove(&window, {150, 80});
    QTest::mouseRelease(&window, Qt::LeftButton, {}, {150, 80});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(skin.CaptionButtonState(0), CSkinWin::Normal);

    Click(window, close, close);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SkinEngineTest, TheFrameDrawsTheActiveAndInactiveCaption) {
    QWidget window;
    CSkinWin skin;
    ASSERT_TRUE(skin.LoadSkin(ThemeOf("others"), [](const QString&, bool) {}));
    skin.InstallSkin(&window);
    window.setWindowTitle(QStringLiteral("分享链接"));
    window.resize(320, 160);
    window.show();
    const QImage active = window.grab().toImage();
    SaveShot(window, "skin_frame_active");
    QEvent deactivate(QEvent::ActivationChange);
    QCoreApplication::sendEvent(&window, &deactivate);
    ASSERT_FALSE(skin.IsActive());
    const QImage inactive = window.grab().toImage();
    SaveShot(window, "skin_frame_inactive");
    // The caption band differs, the client area does not.
    EXPECT_NE(active.copy(0, 0, 320, 30), inactive.copy(0, 0, 320, 30));
    EXPECT_EQ(active.copy(4, 30, 312, 120), inactive.copy(4, 30, 312, 120));
}

TEST_F(SkinEngineTest, SharpPicturesAreTwiceAsLargeAndTakenOnlyOnDenseScreens) {
    const QString folder = QString::fromStdU16String(settings::SkinFolder());
    int sharp = 0;
    for (const char* file :
         {"MsgBG.png", "mainframe_close.png", "msg_icon.png", "about_banner.png", "menu.png",
          "others/top.png", "others/button2.png", "login/button1.png"}) {
        SCOPED_TRACE(file);
        const QPixmap plain = ui::LoadSharpPicture(folder + file, 1.0);
        const QPixmap dense = ui::LoadSharpPicture(folder + file, 2.0);
        ASSERT_FALSE(plain.isNull());
        EXPECT_EQ(plain.devicePixelRatio(), 1.0);
        EXPECT_EQ(dense.devicePixelRatio(), 2.0);
        EXPECT_EQ(dense.size(), plain.size() * 2);
        EXPECT_EQ(ui::CSkinTheme::PictureWidth(dense), plain.width());
        sharp += dense.devicePixelRatio() == 2.0;
    }
    EXPECT_EQ(sharp, 8);
    // A picture without a sharp form is taken as it is.
    EXPECT_EQ(ui::LoadSharpPicture(folder + "main_background.png", 2.0).devicePixelRatio(), 1.0);
}

TEST_F(SkinEngineTest, CaptionButtonsMaximiseRestoreAndMinimiseTheWindow) {
    QImage strip(36, 12, QImage::Format_RGB32);
    strip.fill(Qt::darkBlue);
    for (const char* name : {"top.png", "b.png"})
        ASSERT_TRUE(strip.save(QString::fromStdString(m_Dir.File(name))));
    Write(m_Dir.File("theme.ini"),
          "[Personality]\nTop=top.png\nButtonCount=3\n"
          "[Button0]\nButtonImage=b.png\nAction=0\nXCoord=14\nYCoord=0\n"
          "[Button1]\nButtonImage=b.png\nAction=1\nXCoord=28\nYCoord=0\n"
          "[Button2]\nButtonImage=b.png\nAction=2\nXCoord=42\nYCoord=0\n");
    QWidget window;
    CSkinWin skin;
    skin.LoadSkin(QString::fromStdString(m_Dir.File("theme.ini")), [](const QString&, bool) {});
    skin.InstallSkin(&window);
    window.resize(200, 100);
    window.show();
    const QPoint maximise = skin.CaptionButtonRect(1).center();
    EXPECT_EQ(skin.HitTest(maximise), CSkinWin::HTMAXBUTTON);
    EXPECT_EQ(skin.HitTest(skin.CaptionButtonRect(2).center()), CSkinWin::HTMINBUTTON);
    Click(window, maximise, maximise);
    ASSERT_TRUE(WaitFor([&] { return window.isMaximized(); }));
    EXPECT_EQ(skin.HitTest({window.width() / 2, 0}),
              CSkinWin::HTCLIENT);  // no sizing while maximised
    const QPoint restore = skin.CaptionButtonRect(1).center();
    Click(window, restore, restore);
    ASSERT_TRUE(WaitFor([&] { return !window.isMaximized(); }));
    const QPoint minimise = skin.CaptionButtonRect(2).center();
    Click(window, minimise, minimise);
    EXPECT_TRUE(WaitFor([&] { return window.isMinimized(); }));
}

TEST_F(SkinEngineTest, AThemeThatUsesTransparencyClipsTheWindowToItsFrame) {
    // A top picture whose outer corner pixels are magenta, in both halves.
    QImage top(20, 20, QImage::Format_RGB32);
    top.fill(Qt::darkBlue);
    for (int half : {0, 10}) {
        top.setPixelColor(0, half, QColor(255, 0, 255));
        top.setPixelColor(19, half, QColor(255, 0, 255));
    }
    ASSERT_TRUE(top.save(QString::fromStdString(m_Dir.File("top.png"))));
    Write(m_Dir.File("theme.ini"),
          "[Personality]\nTop=top.png\nTopTopHeight=4\nTopBotHeight=4\nUsesTran=1\n");
    QWidget window;
    window.setCursor(Qt::PointingHandCursor);
    CSkinWin skin;
    skin.LoadSkin(QString::fromStdString(m_Dir.File("theme.ini")), [](const QString&, bool) {});
    skin.InstallSkin(&window);
    window.resize(100, 60);
    window.show();
    const QRegion mask = window.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(99, 0)));
    EXPECT_TRUE(mask.contains(QPoint(50, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, 1)));
    EXPECT_TRUE(mask.contains(QPoint(50, 40)));  // the client stays whole
    EXPECT_EQ(mask, QRegion(0, 0, 100, 60) - QRegion(0, 0, 1, 1) - QRegion(99, 0, 1, 1));

    // A sizing cursor over an edge; the window's own cursor back over the client.
    QTest::mouseMove(&window, {0, 30});
    EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(&window, {50, 30});
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    skin.UninstallSkin();
    EXPECT_TRUE(window.mask().isEmpty());
}
