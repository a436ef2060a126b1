#include "ui/skin_theme.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include "log/log.h"
#include "settings/ini.h"

namespace ui {
namespace {

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

class CThemeReader {
public:
    CThemeReader(const QString& path, const SkinLogSink& log) : m_Path(U16(path)), m_Log(log) {
        m_Folder = QFileInfo(path).path() + "/";
    }

    QString Text(const QString& section, const QString& key) const {
        return QString::fromStdU16String(
            settings::ReadIniString(m_Path, U16(section), U16(key), u""));
    }

    // As atoi: optional sign and leading digits; anything else is 0.
    int Int(const QString& section, const QString& key) const {
        static const QRegularExpression leading(QStringLiteral("^[+-]?\\d{1,9}"));
        const auto match = leading.match(Text(section, key).trimmed());
        return match.hasMatch() ? match.captured().toInt() : 0;
    }

    int Size(const QString& section, const QString& key) const {
        return std::max(0, Int(section, key));
    }

    // Null when the key is missing or the picture cannot be read.
    QPixmap Picture(const QString& section, const QString& key) const {
        const QString file = Text(section, key);
        return file.isEmpty() ? QPixmap() : LoadSharpPicture(m_Folder + file);
    }

    void Log(const QString& text, bool ok) const { m_Log(text, ok); }
    const QString& Folder() const { return m_Folder; }

private:
    std::u16string m_Path;
    QString m_Folder;
    const SkinLogSink& m_Log;
};

void ReadPersonality(const CThemeReader& r, CSkinTheme& t) {
    const QString s = QStringLiteral("Personality");
    t.dialog = r.Picture(s, "DialogBmp");
    if (t.dialog.isNull())
        r.Log("DialogBmp ERROR", false);
    t.dialogFoot = r.Picture(s, "DialogBmpFoot");
    t.dialogDesc = r.Picture(s, "DialogBmpDesc");
    t.top = r.Picture(s, "Top");
    r.Log(t.top.isNull() ? "Top Load Error" : "Top SUCCESS", !t.top.isNull());
    t.bottom = r.Picture(s, "Bottom");
    if (t.bottom.isNull())
        r.Log("Bottom Load Error", false);
    t.left = r.Picture(s, "Left");
    if (t.left.isNull())
        r.Log("Left Load Error", false);
    t.right = r.Picture(s, "Right");
    if (t.right.isNull())
        r.Log("Right Load Error", false);
    t.topTopHeight = r.Size(s, "TopTopHeight");
    t.topBotHeight = r.Size(s, "TopBotHeight");
    t.bottomTopHeight = r.Size(s, "BottomTopHeight");
    t.bottomBotHeight = r.Size(s, "BottomBotHeight");
    t.leftTopHeight = r.Size(s, "LeftTopHeight");
    t.leftBotHeight = r.Size(s, "LeftBotHeight");
    t.rightTopHeight = r.Size(s, "RightTopHeight");
    t.rightBotHeight = r.Size(s, "RightBotHeight");
    t.buttonCount = std::min(r.Size(s, "ButtonCount"), 16);
    // A count of zero would divide the caption button pictures by nothing.
    const int states = r.Int(s, "ButtonImgCount");
    t.buttonImgCount = states > 0 ? states : 3;
    t.textShift = r.Int(s, "TextShift");
    t.textShiftVert = r.Int(s, "TextShiftVert");
    t.usesTran = r.Int(s, "UsesTran") == 1;
}

void ReadCaptionButtons(const CThemeReader& r, CSkinTheme& t) {
    for (int i = 0; i < t.buttonCount; ++i) {
        const QString s = QStringLiteral("Button%1").arg(i);
        CCaptionButtonSkin b;
        b.image = r.Picture(s, "ButtonImage");
        if (b.image.isNull())
            r.Log(QStringLiteral("Button%1 Load Error").arg(i), false);
        b.otherImage = r.Picture(s, "OtherButtonImage");
        b.action = r.Int(s, "Action");
        b.xCoord = r.Int(s, "XCoord");
        b.yCoord = r.Int(s, "YCoord");
        b.width = CSkinTheme::PictureWidth(b.image) / t.buttonImgCount;
        b.height = CSkinTheme::PictureHeight(b.image);
        t.buttons.push_back(std::move(b));
    }
}

void ReadColours(const CThemeReader& r, CSkinTheme& t) {
    const QString s = QStringLiteral("Colours");
    auto colour = [&](const char* key, QColor& out) { out = ParseSkinColour(r.Text(s, key), out); };
    colour("TitleText", t.titleText);
    colour("InactiveTitleText", t.inactiveTitleText);
    colour("TransColor", t.transColor);
    colour("BarColor", t.barColor);
    colour("MenuColor", t.menuColor);
    colour("ButtonFace", t.buttonFace);
    colour("ButtonText", t.buttonText);
    colour("ButtonHilight", t.buttonHilight);
    colour("ButtonFocus", t.buttonFocus);
}

void ReadPushButtons(const CThemeReader& r, CSkinTheme& t) {
    const QString s = QStringLiteral("Buttons");
    for (const char* key : {"Botton1", "Botton2", "Botton3", "Botton92", "BottonExpendNetdisk",
                            "BottonUpdateVip", "Bottonweibo"}) {
        const QString file = r.Text(s, key);
        if (!file.isEmpty())
            t.imageSets.insert(key, file);
    }
    t.margins = {r.Size(s, "TopHeight"), r.Size(s, "BottomHeight"), r.Size(s, "LeftWidth"),
                 r.Size(s, "RightWidth")};
    t.transparentButtons = r.Int(s, "Trans") != 0;
}

void WriteToLibraryLog(const QString& text, bool ok) {
    ::Log().Write(ok ? L4_INF : L2_VIM, u"Skin", ok, {}, text.toStdU16String());
}

}  // namespace

int CSkinTheme::PictureWidth(const QPixmap& picture) {
    return qRound(picture.width() / picture.devicePixelRatio());
}

int CSkinTheme::PictureHeight(const QPixmap& picture) {
    return qRound(picture.height() / picture.devicePixelRatio());
}

int CSkinTheme::TopHeight() const {
    return top.isNull() ? 0 : PictureHeight(top) / 2;
}

QPixmap CSkinTheme::ImageSet(const QString& name) const {
    const auto it = imageSets.find(name);
    return it == imageSets.end() ? QPixmap() : LoadSharpPicture(folder + *it);
}

std::shared_ptr<const CSkinTheme> LoadSkinTheme(const QString& path, const SkinLogSink& log) {
    const SkinLogSink sink = log ? log : SkinLogSink(&WriteToLibraryLog);
    const CThemeReader reader(path, sink);
    auto theme = std::make_shared<CSkinTheme>();
    theme->folder = reader.Folder();
    ReadPersonality(reader, *theme);
    ReadCaptionButtons(reader, *theme);
    ReadColours(reader, *theme);
    ReadPushButtons(reader, *theme);
    sink("LoadSkin Success", true);
    return theme;
}

QColor ParseSkinColour(const QString& text, const QColor& fallback) {
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    const QStringList parts = text.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return fallback;
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts[i].toInt(&ok);
        if (!ok || rgb[i] < 0 || rgb[i] > 255)
            return fallback;
    }
    return QColor(rgb[0], rgb[1], rgb[2]);
}

QPixmap LoadSharpPicture(const QString& path, qreal ratio) {
    if (ratio <= 0)
        ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap picture;
    if (ratio > 1.0 && path.endsWith(".png")) {
        if (picture.load(path.chopped(4) + "@2x.png")) {
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    picture.load(path);
    return picture;
}

QPixmap LoadSharpSkinPicture(std::u16string_view file) {
    const std::u16string folder = settings::SkinFolder();
    if (folder.empty())
        return {};
    return LoadSharpPicture(QString::fromStdU16String(folder + std::u16string(file)));
}

}  // namespace ui
