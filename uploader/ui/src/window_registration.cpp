#include "ui/window_registration.h"

#include <QString>
#include <QVariant>
#include <QWidget>
#include <utility>

#include "ui/qt_message_loop.h"
#include "ui/window_message_event.h"

namespace ui {
namespace {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CWindowRegistration::CWindowRegistration(QWidget& widget, platform::WindowProc proc,
                                         std::u16string title)
    : m_Widget(widget) {
    widget.setWindowTitle(ToQString(title));
    m_Handle = platform::RegisterWindow(QtLoop(), std::move(proc), std::move(title));
    widget.setProperty(kWindowHandleProperty, QVariant::fromValue<qulonglong>(m_Handle));
}

CWindowRegistration::~CWindowRegistration() {
    Close();
}

void CWindowRegistration::Close() {
    if (m_Handle == platform::kNoWindow)
        return;
    platform::DestroyWindow(std::exchange(m_Handle, platform::kNoWindow));
    m_Widget.setProperty(kWindowHandleProperty, QVariant());
}

void CWindowRegistration::SetTitle(std::u16string_view title) {
    m_Widget.setWindowTitle(ToQString(title));
    platform::SetWindowTitle(m_Handle, std::u16string(title));
}

void CWindowRegistration::SetProperty(std::u16string_view name, platform::LParam value) {
    platform::SetWindowProperty(m_Handle, std::u16string(name), value);
    m_Widget.setProperty(ToQString(name).toUtf8().constData(),
                         QVariant::fromValue<qlonglong>(value));
}

bool CWindowRegistration::Deliver(QEvent* event) {
    if (event->type() != kWindowMessageEvent)
        return false;
    auto* message = static_cast<CWindowMessageEvent*>(event);
    if (m_Handle == platform::kNoWindow)
        return true;  // closing: the message is dropped, as for a destroyed window
    message->m_Result =
        platform::SendMessage(m_Handle, message->m_Message, message->m_WParam, message->m_LParam);
    message->m_Delivered = true;
    return true;
}

}  // namespace ui
