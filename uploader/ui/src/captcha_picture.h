#pragma once

// The captcha the service asks for: its picture fetched from the address the login's
// preparation gave, and drawn. The service's pictures are PNG, JPEG, GIF, or a small SVG
// of text, rectangles and curves, which is drawn here (Qt's own SVG module is not used).

#include <QByteArray>
#include <QImage>
#include <string>

namespace ui {

// The bytes at the address (http only); empty when nothing came.
QByteArray FetchCaptcha(const std::u16string& url);
// The picture; null when the bytes are neither a known picture nor a drawable SVG.
QImage CaptchaImage(const QByteArray& bytes);

}  // namespace ui
