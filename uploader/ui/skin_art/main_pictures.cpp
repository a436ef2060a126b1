// The main window, its task rows and the scroll bar of the task list.

#include <QLinearGradient>
#include <QString>

#include "art_kit.h"
#include "catalog.h"
#include "ui/skin_files.h"

namespace skin_art {
namespace {

QString Name(const ui::skin::Picture& picture) {
    return QString::fromUtf16(picture.file.data(), static_cast<qsizetype>(picture.file.size()));
}

QImage MainBackground(int w, int h) {
    return Draw(w, h, [&](QPainter& p) {
        Panel(p, QRectF(0, 0, w, h), 6, kPanelTop, kPanelBottom, kPanelBorder);
        // A slightly deeper band behind the title and a hairline under it.
        p.setPen(Qt::NoPen);
        p.setBrush(kHeaderBand);
        p.drawRoundedRect(QRectF(1.5, 1.5, w - 3, 30), 5, 5);
        p.drawRect(QRectF(1.5, 20, w - 3, 11.5));
        p.setPen(QPen(kSeparator, 1));
        p.drawLine(QPointF(8, 32.5), QPointF(w - 8, 32.5));
    });
}

void AddMainWindow(Catalog& c) {
    using namespace ui::skin;
    c.Add(Name(kMainBackground), MainBackground(kMainBackground.width, kMainBackground.height));
    c.Add(Name(kMainLogo), Draw(16, 16, [](QPainter& p) {
              CloudMark(p, QRectF(0, 1, 16, 15), kAccentLight, Qt::white);
          }));
    c.Add(Name(kMainClose),
          Draw(17, 13, [](QPainter& p) { Cross(p, QRectF(4.5, 2.5, 8, 8), kGlyph, 1.8); }));
    c.Add(Name(kAppIcon), Draw(64, 64, AppIconArt));
}

void AddRowPictures(Catalog& c) {
    using namespace ui::skin;
    // The card leaves 4 pixels free at the top and the bottom: rows overlap by 4.
    c.Add(Name(kRowBackground), Draw(kRowBackground.width, kRowBackground.height, [](QPainter& p) {
              Panel(p, QRectF(1, 4, 228, 48), 4, kCard, QColor(0xF8, 0xFB, 0xFF, 0xEB),
                    kCardBorder);
          }));
    c.Add(Name(kRowWaiting), Draw(16, 16, [](QPainter& p) {
              Badge(p, QRectF(0, 0, 16, 16), kWaiting, [](QPainter& q, const QRectF&) {
                  q.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
                  q.drawLine(QPointF(8, 8), QPointF(8, 4));
                  q.drawLine(QPointF(8, 8), QPointF(11, 9.5));
              });
          }));
    c.Add(Name(kRowFailed), Draw(16, 16, [](QPainter& p) {
              Badge(p, QRectF(0, 0, 16, 16), kFailure, [](QPainter& q, const QRectF&) {
                  q.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
                  q.drawLine(QPointF(8, 4), QPointF(8, 8.8));
                  q.drawPoint(QPointF(8, 12));
              });
          }));
    c.Add(Name(kRowSuccess), Draw(16, 16, [](QPainter& p) {
              Badge(p, QRectF(0, 0, 16, 16), kSuccess, [](QPainter& q, const QRectF&) {
                  Check(q, QRectF(4, 5, 8, 6), Qt::white, 1.8);
              });
          }));
    c.Add(Name(kProgressTrack), Draw(176, 12, [](QPainter& p) {
              Panel(p, QRectF(0, 1, 176, 10), 5, kTrack.darker(104), kTrack, kTrackBorder);
          }));
    c.Add(Name(kProgressFill), Draw(176, 12, [](QPainter& p) {
              Panel(p, QRectF(0, 1, 176, 10), 5, kAccentLight, kAccent, kAccent.darker(115));
              p.setPen(QPen(QColor(255, 255, 255, 90), 1));
              p.drawLine(QPointF(4, 2.5), QPointF(172, 2.5));
          }));
    c.Add(Name(kRowRemove),
          Draw(10, 9, [](QPainter& p) { Cross(p, QRectF(1.5, 1, 7, 7), kGlyphLight, 1.6); }));
}

void AddScrollBar(Catalog& c) {
    using namespace ui::skin;
    const QColor thumb(0x9D, 0xB8, 0xD6);
    c.Add(Name(kScrollTrack), Draw(10, 310, [](QPainter& p) {
              p.setPen(Qt::NoPen);
              p.setBrush(QColor(0xC9, 0xD9, 0xEA, 0x90));
              p.drawRoundedRect(QRectF(2, 0, 6, 310), 3, 3);
          }));
    // The thumb is 8 pixels wide in the middle of its 20-pixel pictures, over the track.
    c.Add(Name(kThumbTop), Draw(20, 5, [&](QPainter& p) {
              p.setPen(Qt::NoPen);
              p.setBrush(thumb);
              p.drawRoundedRect(QRectF(6, 0, 8, 10), 4, 4);
          }));
    c.Add(Name(kThumbMiddle),
          Draw(20, 4, [&](QPainter& p) { p.fillRect(QRectF(6, 0, 8, 4), thumb); }));
    c.Add(Name(kThumbBottom), Draw(20, 5, [&](QPainter& p) {
              p.setPen(Qt::NoPen);
              p.setBrush(thumb);
              p.drawRoundedRect(QRectF(6, -5, 8, 10), 4, 4);
          }));
}

}  // namespace

void AddMainPictures(Catalog& catalog) {
    AddMainWindow(catalog);
    AddRowPictures(catalog);
    AddScrollBar(catalog);
}

}  // namespace skin_art
