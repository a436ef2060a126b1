// The skin folders of the skinned dialogs: "login" (the login dialog) and "others" (the
// share-link, Weibo, about and anonymous-link dialogs). Each holds its frame pictures,
// push-button image sets and a theme file naming them.

#include <QPainterPath>
#include <QString>

#include "art_kit.h"
#include "catalog.h"

namespace skin_art {
namespace {

const QColor kNeutral(0x8C, 0xA3, 0xBD);
const QColor kWeiboRed(0xE0, 0x3A, 0x3A);

// Frame pictures: the top one holds the active half above the inactive one.
void AddFrame(Catalog& c, const QString& folder) {
    c.Add(folder + "/top.png", Draw(60, 60, [](QPainter& p) {
              for (int half = 0; half < 2; ++half) {
                  const QColor base = half == 0 ? kAccent : kNeutral;
                  QLinearGradient fill(0, half * 30, 0, half * 30 + 30);
                  fill.setColorAt(0, base.lighter(125));
                  fill.setColorAt(1, base);
                  p.fillRect(QRectF(0, half * 30, 60, 30), fill);
              }
          }));
    c.Add(folder + "/bottom.png",
          Draw(60, 8, [](QPainter& p) { p.fillRect(QRectF(0, 0, 60, 8), kAccent); }));
    c.Add(folder + "/left.png",
          Draw(4, 40, [](QPainter& p) { p.fillRect(QRectF(0, 0, 4, 40), kAccent); }));
    c.Add(folder + "/right.png",
          Draw(4, 40, [](QPainter& p) { p.fillRect(QRectF(0, 0, 4, 40), kAccent); }));
    // The close caption button: normal, hover, pressed.
    c.Add(folder + "/btn_close.png", Draw(60, 20, [](QPainter& p) {
              const QColor backs[3] = {Qt::transparent, QColor(255, 255, 255, 60),
                                       QColor(0, 0, 0, 40)};
              for (int i = 0; i < 3; ++i) {
                  p.setPen(Qt::NoPen);
                  p.setBrush(backs[i]);
                  p.drawRoundedRect(QRectF(i * 20 + 1, 1, 18, 18), 3, 3);
                  Cross(p, QRectF(i * 20 + 6, 6, 8, 8), Qt::white, 1.8);
              }
          }));
}

void AddDialogBody(Catalog& c, const QString& folder, int w, int h) {
    c.Add(folder + "/dialog.png", Draw(w, h, [&](QPainter& p) {
              QLinearGradient fill(0, 0, 0, h);
              fill.setColorAt(0, Qt::white);
              fill.setColorAt(1, QColor(0xD8, 0xE0, 0xED));
              p.fillRect(QRectF(0, 0, w, h), fill);
          }));
}

QByteArray ThemeText(const QList<QPair<QString, QString>>& buttons) {
    QByteArray text =
        "; Frame and buttons of a skinned dialog. Pictures are relative to this folder.\n"
        "[Personality]\n"
        "DialogBmp=dialog.png\n"
        "Top=top.png\nBottom=bottom.png\nLeft=left.png\nRight=right.png\n"
        "TopTopHeight=8\nTopBotHeight=8\n"
        "BottomTopHeight=8\nBottomBotHeight=8\n"
        "LeftTopHeight=4\nLeftBotHeight=4\n"
        "RightTopHeight=4\nRightBotHeight=4\n"
        "ButtonCount=1\nButtonImgCount=3\n"
        "TextShift=8\nTextShiftVert=8\n"
        "UsesTran=0\n"
        "\n[Button0]\nButtonImage=btn_close.png\nAction=0\nXCoord=26\nYCoord=5\n"
        "\n[Colours]\n"
        "TitleText=255 255 255\nInactiveTitleText=220 230 240\nTransColor=255 0 255\n"
        "BarColor=36 126 202\nMenuColor=255 255 255\nButtonFace=240 246 254\n"
        "ButtonText=0 0 0\nButtonHilight=90 176 250\nButtonFocus=36 126 202\n"
        "\n[Buttons]\n";
    for (const auto& [key, file] : buttons)
        text += (key + "=" + file + "\n").toUtf8();
    text += "TopHeight=4\nBottomHeight=4\nLeftWidth=4\nRightWidth=4\nTrans=1\n";
    return text;
}

void AddLoginFolder(Catalog& c) {
    AddFrame(c, "login");
    AddDialogBody(c, "login", 300, 230);
    c.Add("login/button1.png", ButtonStrip(76, 27, 5, kAccent, {}));
    c.texts.push_back({"login/theme.ini", ThemeText({{"Botton1", "button1.png"}})});
}

QImage SmallIcon(const std::function<void(QPainter&)>& paint) {
    return Draw(16, 16, paint);
}

void AddOthersPictures(Catalog& c) {
    c.Add("others/qq.png", SmallIcon([](QPainter& p) {
              QPainterPath bubble;
              bubble.addRoundedRect(QRectF(1, 2, 14, 10), 4, 4);
              bubble.moveTo(4, 11);
              bubble.lineTo(3, 15);
              bubble.lineTo(8, 11.5);
              p.setPen(QPen(kAccent.darker(115), 1));
              p.setBrush(kAccentLight);
              p.drawPath(bubble.simplified());
          }));
    c.Add("others/gou.png", Draw(20, 20, [](QPainter& p) {
              Badge(p, QRectF(1, 1, 18, 18), kSuccess, [](QPainter& q, const QRectF&) {
                  Check(q, QRectF(5.5, 6.5, 9, 7), Qt::white, 2);
              });
          }));
    c.Add("others/uploading.png", SmallIcon([](QPainter& p) {
              Badge(p, QRectF(0, 0, 16, 16), kAccent, [](QPainter& q, const QRectF&) {
                  q.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                  q.drawLine(QPointF(8, 4), QPointF(8, 12));
                  q.drawLine(QPointF(8, 4), QPointF(5, 7));
                  q.drawLine(QPointF(8, 4), QPointF(11, 7));
              });
          }));
    c.Add("others/sina_ico.png", SmallIcon([](QPainter& p) {
              Badge(p, QRectF(0, 1, 16, 14), kWeiboRed, [](QPainter& q, const QRectF&) {
                  q.setPen(Qt::NoPen);
                  q.setBrush(Qt::white);
                  q.drawEllipse(QRectF(4, 5, 8, 6));
                  q.setBrush(Qt::black);
                  q.drawEllipse(QRectF(7, 7, 2.5, 2.5));
              });
          }));
    c.Add("others/panel.png", Draw(258, 108, [](QPainter& p) {
              Panel(p, QRectF(0, 0, 258, 108), 4, Qt::white, QColor(0xF7, 0xFA, 0xFE), kCardBorder);
          }));
    c.Add("others/progress_track.png", Draw(258, 12, [](QPainter& p) {
              Panel(p, QRectF(0, 1, 258, 10), 5, kTrack.darker(104), kTrack, kTrackBorder);
          }));
    c.Add("others/progress_fill.png", Draw(258, 12, [](QPainter& p) {
              Panel(p, QRectF(0, 1, 258, 10), 5, kAccentLight, kAccent, kAccent.darker(115));
          }));
    c.Add("others/mainframe_background2.png", Draw(300, 65, [](QPainter& p) {
              Panel(p, QRectF(0, 0, 300, 65), 0, kHeaderBand, kPanelBottom, kSeparator);
              Badge(p, QRectF(16, 18, 28, 28), kWeiboRed, [](QPainter&, const QRectF&) {});
              CloudMark(p, QRectF(250, 16, 34, 32), kAccentLight, Qt::white);
          }));
    // Not yet bound: the disk and Sina Weibo joined by a dashed line.
    c.Add("others/0412img.png", Draw(300, 80, [](QPainter& p) {
              CloudMark(p, QRectF(50, 14, 60, 54), kAccentLight, Qt::white);
              Badge(p, QRectF(196, 16, 50, 50), kWeiboRed, [](QPainter& q, const QRectF&) {
                  q.setPen(Qt::NoPen);
                  q.setBrush(Qt::white);
                  q.drawEllipse(QRectF(208, 30, 26, 20));
              });
              p.setPen(QPen(kGlyphLight, 2, Qt::DashLine));
              p.drawLine(QPointF(118, 41), QPointF(188, 41));
          }));
}

void AddOthersFolder(Catalog& c) {
    AddFrame(c, "others");
    AddDialogBody(c, "others", 300, 240);
    AddOthersPictures(c);
    c.Add("others/button1.png", ButtonStrip(76, 27, 5, kNeutral, {}));
    c.Add("others/button2.png", ButtonStrip(76, 27, 5, kAccent, {}));
    c.Add("others/button3.png", ButtonStrip(150, 30, 5, kSuccess, {}));
    c.Add("others/button92.png", ButtonStrip(92, 27, 5, kAccent, {}));
    // These carry their captions: the buttons have blank ones.
    c.Add("others/button_expand.png",
          ButtonStrip(76, 27, 5, QColor(0xF0, 0x9A, 0x1E), QStringLiteral("扩容空间")), true);
    c.Add("others/button_vip.png",
          ButtonStrip(76, 27, 5, QColor(0xE8, 0xA7, 0x1B), QStringLiteral("升级VIP")), true);
    c.Add("others/button_weibo.png",
          ButtonStrip(150, 30, 5, kWeiboRed, QStringLiteral("绑定新浪微博")), true);
    c.texts.push_back({"others/theme.ini", ThemeText({{"Botton1", "button1.png"},
                                                      {"Botton2", "button2.png"},
                                                      {"Botton3", "button3.png"},
                                                      {"Botton92", "button92.png"},
                                                      {"BottonExpendNetdisk", "button_expand.png"},
                                                      {"BottonUpdateVip", "button_vip.png"},
                                                      {"Bottonweibo", "button_weibo.png"}})});
}

}  // namespace

void AddThemeFolders(Catalog& catalog) {
    AddLoginFolder(catalog);
    AddOthersFolder(catalog);
}

}  // namespace skin_art
