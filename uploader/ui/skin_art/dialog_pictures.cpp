// The mini window, the tips popup, the message dialog, the about box and the menu.

#include <QPainterPath>
#include <QString>

#include "art_kit.h"
#include "catalog.h"
#include "ui/skin_files.h"

namespace skin_art {
namespace {

QString Name(const ui::skin::Picture& picture) {
    return QString::fromUtf16(picture.file.data(), static_cast<qsizetype>(picture.file.size()));
}

// A speech bubble whose arrow points down at arrowX (or has none when arrowX < 0).
QImage Bubble(int w, int h, int arrowX) {
    return Draw(w, h, [&](QPainter& p) {
        const qreal body = arrowX < 0 ? h : h - 8;
        QPainterPath path;
        path.addRoundedRect(QRectF(0.5, 0.5, w - 1, body - 1), 5, 5);
        if (arrowX >= 0) {
            QPainterPath arrow;
            arrow.moveTo(arrowX - 7, body - 1.5);
            arrow.lineTo(arrowX, h - 0.5);
            arrow.lineTo(arrowX + 7, body - 1.5);
            arrow.closeSubpath();
            path = path.united(arrow);
        }
        p.setPen(QPen(kHintBorder, 1));
        p.setBrush(kHintFill);
        p.drawPath(path);
    });
}

void AddMiniWindow(Catalog& c) {
    using namespace ui::skin;
    c.Add(Name(kMiniMain), Draw(62, 53, [](QPainter& p) {
              Panel(p, QRectF(3, 3, 56, 47), 12, kAccentLight, kAccent, kAccent.darker(125));
              CloudMark(p, QRectF(9, 6, 44, 40), QColor(0xEA, 0xF4, 0xFF), kAccent);
          }));
    c.Add(Name(kMiniClose), Draw(20, 20, [](QPainter& p) {
              Badge(p, QRectF(1, 1, 18, 18), kGlyph, [](QPainter& q, const QRectF&) {
                  Cross(q, QRectF(6.5, 6.5, 7, 7), Qt::white, 1.6);
              });
          }));
    c.Add(Name(kMiniConfirm), Draw(159, 46, [](QPainter& p) {
              Panel(p, QRectF(0, 0, 159, 46), 5, Qt::white, kPanelTop, kPanelBorder);
          }));
    c.Add(Name(kMiniMark), Draw(10, 10, [](QPainter& p) {
              Panel(p, QRectF(0, 0, 10, 10), 2, Qt::white, kPanelBottom, kPanelBorder);
              Check(p, QRectF(2.5, 3, 5, 4), kAccent, 1.3);
          }));
    c.Add(Name(kMiniHint), Bubble(kMiniHint.width, kMiniHint.height, -1));
    // The tips popup points down at the main window's received-files link.
    c.Add(Name(kTipsBackground), Bubble(kTipsBackground.width, kTipsBackground.height, 140));
}

void AddMessageDialog(Catalog& c) {
    using namespace ui::skin;
    c.Add(Name(kMessageBackground), Draw(232, 124, [](QPainter& p) {
              Panel(p, QRectF(0, 0, 232, 124), 6, Qt::white, kPanelTop, kPanelBorder);
              p.setPen(Qt::NoPen);
              p.setBrush(kHeaderBand);
              p.drawRoundedRect(QRectF(1.5, 1.5, 229, 30), 5, 5);
              p.drawRect(QRectF(1.5, 20, 229, 11.5));
              CloudMark(p, QRectF(8, 7, 18, 17), kAccentLight, Qt::white);
          }));
    c.Add(Name(kMessageClose), Draw(44, 22, [](QPainter& p) {
              Cross(p, QRectF(7, 7, 8, 8), kGlyph, 1.8);
              p.setPen(Qt::NoPen);
              p.setBrush(kFailure);
              p.drawRoundedRect(QRectF(23, 1, 20, 20), 3, 3);
              Cross(p, QRectF(29, 7, 8, 8), Qt::white, 1.8);
          }));
    c.Add(Name(kMessageIcon), Draw(32, 32, [](QPainter& p) {
              Badge(p, QRectF(1, 1, 30, 30), QColor(0xF0, 0x9A, 0x1E),
                    [](QPainter& q, const QRectF&) {
                        q.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
                        q.drawLine(QPointF(16, 8), QPointF(16, 18));
                        q.drawPoint(QPointF(16, 24));
                    });
          }));
}

void AddAboutAndMenu(Catalog& c) {
    using namespace ui::skin;
    c.Add(Name(kAboutBanner),
          Draw(407, 91,
               [](QPainter& p) {
                   QLinearGradient fill(0, 0, 407, 0);
                   fill.setColorAt(0, kAccent);
                   fill.setColorAt(1, kAccentLight);
                   p.fillRect(QRectF(0, 0, 407, 91), fill);
                   CloudMark(p, QRectF(24, 14, 68, 62), QColor(0xEA, 0xF4, 0xFF), kAccent);
                   CenteredText(p, QRectF(100, 22, 290, 30), QStringLiteral("Norvel网盘"), 24,
                                Qt::white, true);
                   CenteredText(p, QRectF(100, 52, 290, 20), QStringLiteral("Flinga"), 14,
                                QColor(0xEA, 0xF4, 0xFF));
               }),
          true);
    // One 23-pixel strip per command: show, start all, pause all, VIP, about, settings, exit.
    c.Add(Name(kMenu), Draw(152, 164, [](QPainter& p) {
              for (int i = 0; i < 7; ++i) {
                  const QRectF strip(0, i * 23, 152, 23);
                  p.fillRect(strip, i % 2 ? QColor(0xF7, 0xFA, 0xFE) : Qt::white);
                  p.fillRect(QRectF(0, i * 23, 26, 23), kHeaderBand);
                  const QRectF icon(7, i * 23 + 5.5, 12, 12);
                  switch (i) {
                      case 0:  // show the main window: a small panel
                          Panel(p, icon, 2, Qt::white, kPanelBottom, kAccent);
                          break;
                      case 1: {  // start: a triangle
                          QPainterPath play;
                          play.moveTo(icon.left() + 2, icon.top());
                          play.lineTo(icon.right(), icon.center().y());
                          play.lineTo(icon.left() + 2, icon.bottom());
                          play.closeSubpath();
                          p.setPen(Qt::NoPen);
                          p.setBrush(kSuccess);
                          p.drawPath(play);
                          break;
                      }
                      case 2:  // pause: two bars
                          p.fillRect(QRectF(icon.left() + 2, icon.top(), 3, 12), kAccent);
                          p.fillRect(QRectF(icon.left() + 7, icon.top(), 3, 12), kAccent);
                          break;
                      case 3:  // VIP: a gold disc
                          Badge(p, icon, QColor(0xE8, 0xA7, 0x1B), [](QPainter&, const QRectF&) {});
                          break;
                      case 4:  // about: the mark
                          CloudMark(p, icon, kAccentLight, Qt::white);
                          break;
                      case 5:  // settings: a ring
                          p.setPen(QPen(kGlyph, 2.2));
                          p.setBrush(Qt::NoBrush);
                          p.drawEllipse(icon.adjusted(1.5, 1.5, -1.5, -1.5));
                          break;
                      default:  // exit: a cross
                          Cross(p, icon.adjusted(2, 2, -2, -2), kFailure, 2);
                          break;
                  }
              }
          }));
}

}  // namespace

void AddDialogPictures(Catalog& catalog) {
    AddMiniWindow(catalog);
    AddMessageDialog(catalog);
    AddAboutAndMenu(catalog);
}

}  // namespace skin_art
