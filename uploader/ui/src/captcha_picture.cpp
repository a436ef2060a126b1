#include "captcha_picture.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <optional>

#include "net/http_request.h"
#include "ui/ui_fonts.h"

namespace ui {
namespace {

std::u16string U16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

qreal Number(const QXmlStreamAttributes& a, const char* name, qreal fallback = 0) {
    bool ok = false;
    const qreal value = a.value(QLatin1String(name)).toDouble(&ok);
    return ok ? value : fallback;
}

QColor Colour(const QXmlStreamAttributes& a, const char* name, const QColor& fallback) {
    const QString text = a.value(QLatin1String(name)).toString();
    if (text == QLatin1String("none"))
        return Qt::transparent;
    const QColor colour(text);
    return colour.isValid() ? colour : fallback;
}

// "M x y", "L x y", "Q x1 y1 x y" and "T x y", absolute.
QPainterPath PathOf(const QString& d) {
    QPainterPath path;
    const QStringList parts =
        d.split(QRegularExpression(QStringLiteral("[\\s,]+|(?=[A-Za-z])")), Qt::SkipEmptyParts);
    QPointF control;
    QChar command;
    for (qsizetype i = 0; i < parts.size();) {
        if (parts[i][0].isLetter())
            command = parts[i++][0];
        auto next = [&]() -> QPointF {
            const qreal x = i < parts.size() ? parts[i++].toDouble() : 0;
            const qreal y = i < parts.size() ? parts[i++].toDouble() : 0;
            return {x, y};
        };
        if (command == u'M') {
            path.moveTo(next());
            control = path.currentPosition();
        } else if (command == u'L') {
            path.lineTo(next());
            control = path.currentPosition();
        } else if (command == u'Q') {
            control = next();
            path.quadTo(control, next());
        } else if (command == u'T') {
            control = 2 * path.currentPosition() - control;
            path.quadTo(control, next());
        } else {
            break;
        }
    }
    return path;
}

void DrawText(QPainter& p, const QXmlStreamAttributes& a, const QString& text) {
    p.save();
    static const QRegularExpression rotate(
        QStringLiteral("rotate\\(\\s*(-?[\\d.]+)\\s+(-?[\\d.]+)\\s+(-?[\\d.]+)\\s*\\)"));
    const QRegularExpressionMatch m = rotate.match(a.value(QLatin1String("transform")).toString());
    if (m.hasMatch()) {
        const QPointF centre(m.captured(2).toDouble(), m.captured(3).toDouble());
        p.translate(centre);
        p.rotate(m.captured(1).toDouble());
        p.translate(-centre);
    }
    QFont font =
        UiFont(QStringLiteral("DejaVu Sans Mono"), static_cast<int>(Number(a, "font-size", 16)));
    p.setFont(font);
    p.setPen(Colour(a, "fill", QColor(0x33, 0x33, 0x33)));
    p.drawText(QPointF(Number(a, "x"), Number(a, "y")), text);
    p.restore();
}

QImage DrawSvg(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    QImage image;
    std::optional<QPainter> p;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView name = xml.name();
        if (name == u"svg" && image.isNull()) {
            const QSize size(static_cast<int>(Number(a, "width", 120)),
                             static_cast<int>(Number(a, "height", 40)));
            if (size.isEmpty() || size.width() > 1000 || size.height() > 1000)
                return {};
            image = QImage(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            p.emplace(&image);
            p->setRenderHint(QPainter::Antialiasing);
        } else if (!p) {
            return {};
        } else if (name == u"rect") {
            p->fillRect(
                QRectF(Number(a, "x"), Number(a, "y"), Number(a, "width"), Number(a, "height")),
                Colour(a, "fill", Qt::black));
        } else if (name == u"path") {
            p->setPen(QPen(Colour(a, "stroke", Qt::transparent), Number(a, "stroke-width", 1)));
            p->setBrush(Colour(a, "fill", Qt::transparent));
            p->drawPath(PathOf(a.value(QLatin1String("d")).toString()));
        } else if (name == u"text") {
            DrawText(*p, a, xml.readElementText());
        }
    }
    return xml.hasError() ? QImage() : image;
}

}  // namespace

QByteArray FetchCaptcha(const std::u16string& url) {
    const QUrl address(QString::fromUtf16(url.data(), static_cast<qsizetype>(url.size())));
    if (address.scheme() != QLatin1String("http") || address.host().isEmpty())
        return {};
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, U16(address.host()), static_cast<uint16_t>(address.port(80)));
    info.m_Method = u"GET";
    QString path = address.path(QUrl::FullyEncoded);
    if (address.hasQuery())
        path += u'?' + address.query(QUrl::FullyEncoded);
    size_t length = 0;
    const net::ReplyBuffer reply = net::HTTPRequest(u"", length, info, U16(path), std::nullopt);
    if (!reply || info.m_StatusCode != 200)
        return {};
    return QByteArray(reply.get(), static_cast<qsizetype>(length));
}

QImage CaptchaImage(const QByteArray& bytes) {
    QImage image;
    if (image.loadFromData(bytes))
        return image;
    return bytes.contains("<svg") ? DrawSvg(bytes) : QImage();
}

}  // namespace ui
