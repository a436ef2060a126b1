#pragma once

// A skin's theme file ("theme.ini" in a folder below the skin folder) and the pictures it
// names, loaded once per skinned window. Missing integers read as 0, missing colours take
// their defaults; every picture that fails to load is logged and drawn as nothing.

#include <QColor>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace ui {

// What the skin reports while loading: the text of the record and whether it is a success.
using SkinLogSink = std::function<void(const QString& text, bool ok)>;

// Caption button actions.
enum class CaptionAction { Close = 0, MaximizeRestore = 1, Minimize = 2, Other = 4 };

struct CCaptionButtonSkin {
    QPixmap image;       // "ButtonImage": the state pictures side by side
    QPixmap otherImage;  // "OtherButtonImage" (loaded only)
    int action = 0;      // "Action"
    int xCoord = 0;      // left edge's distance from the window's right edge
    int yCoord = 0;      // top
    int width = 0;       // the picture's width divided by the state count
    int height = 0;
};

// The nine-part margins shared by every push-button image set.
struct CButtonMargins {
    int top = 0, bottom = 0, left = 0, right = 0;
};

struct CSkinTheme {
    QString folder;  // with a trailing "/"
    // "Personality"
    QPixmap dialog, dialogFoot, dialogDesc;
    QPixmap top, bottom, left, right;
    int topTopHeight = 0, topBotHeight = 0, bottomTopHeight = 0, bottomBotHeight = 0;
    int leftTopHeight = 0, leftBotHeight = 0, rightTopHeight = 0, rightBotHeight = 0;
    int buttonCount = 0;
    int buttonImgCount = 3;
    int textShift = 0, textShiftVert = 0;
    bool usesTran = false;
    std::vector<CCaptionButtonSkin> buttons;  // "Button0" ...
    // "Colours"
    QColor titleText{0xCF, 0xCF, 0xCF}, inactiveTitleText{0xCF, 0xCF, 0xCF};
    QColor transColor{Qt::white}, barColor{Qt::white}, menuColor{Qt::white}, buttonFace{Qt::white};
    QColor buttonText{Qt::white}, buttonHilight{Qt::white}, buttonFocus{Qt::white};
    // "Buttons": image set name -> its picture file (relative to the folder).
    QMap<QString, QString> imageSets;
    CButtonMargins margins;
    bool transparentButtons = false;  // "Trans"

    // The frame sizes around the client area.
    int TopHeight() const;  // one half of the top picture
    int BottomHeight() const { return bottom.isNull() ? 0 : PictureHeight(bottom); }
    int LeftWidth() const { return left.isNull() ? 0 : PictureWidth(left); }
    int RightWidth() const { return right.isNull() ? 0 : PictureWidth(right); }

    // An image set's picture; null when the set is unknown or its picture cannot be read.
    QPixmap ImageSet(const QString& name) const;

    // Sizes in logical pixels (a picture may be a sharper @2x one).
    static int PictureWidth(const QPixmap& picture);
    static int PictureHeight(const QPixmap& picture);
};

// Loads the theme file at path. Logs "DialogBmp ERROR", "Top SUCCESS" / "Top Load Error",
// "Bottom Load Error", "Left Load Error", "Right Load Error", "Button%d Load Error" and,
// at the end, "LoadSkin Success". An empty sink writes to the library's log.
std::shared_ptr<const CSkinTheme> LoadSkinTheme(const QString& path, const SkinLogSink& log = {});

// Reads "r g b" (blanks or tabs between); the fallback when fewer than three numbers.
QColor ParseSkinColour(const QString& text, const QColor& fallback);

// Loads a picture; at a device pixel ratio above 1 (0: the application's) a "name@2x.png"
// beside it is taken first, marked as such, so it keeps its size in logical pixels. Null
// when neither can be read.
QPixmap LoadSharpPicture(const QString& path, qreal ratio = 0);
// The same for a picture of the skin folder; null when the host program's folder is unknown.
QPixmap LoadSharpSkinPicture(std::u16string_view file);

}  // namespace ui
