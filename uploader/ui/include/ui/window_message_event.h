#pragma once

// Window messages for the library's windows from another binary of the same process.
//
// The window table of platform/window.h belongs to the binary that links it: the
// launcher's table does not hold the library's windows. What launcher and library do
// share is Qt's application object, and with it the list of top-level widgets. So every
// window of the system also carries, as Qt properties, its handle
// ("norvel_window_handle", which grows with the age of the window) and the properties
// that outside programs look for ("norvel_uploader_exe"); and it answers a
// CWindowMessageEvent sent to it with QCoreApplication::sendEvent by running the message
// through its handler. The launcher's control socket finds the target with
// FindSystemWindow and delivers with SendSystemMessage, on the user-interface thread.
//
// Header only, so that both binaries agree on the event's layout and number without
// linking each other.

#include <QApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>
#include <cstdint>

namespace ui {

// A fixed number: both binaries must use the same one.
inline constexpr QEvent::Type kWindowMessageEvent =
    static_cast<QEvent::Type>(QEvent::User + 0x04E0);
inline constexpr const char* kWindowHandleProperty = "norvel_window_handle";

class CWindowMessageEvent final : public QEvent {
public:
    CWindowMessageEvent(uint32_t message, uint64_t wParam, int64_t lParam)
        : QEvent(kWindowMessageEvent), m_Message(message), m_WParam(wParam), m_LParam(lParam) {}

    const uint32_t m_Message;
    const uint64_t m_WParam;
    const int64_t m_LParam;
    int64_t m_Result = 0;
    bool m_Delivered = false;  // set by the window that ran the message
};

// The oldest top-level window of the system with that title (when `title` is not empty)
// or carrying that Qt property (when `property` is not null); null when there is none.
inline QWidget* FindSystemWindow(const QString& title, const char* property) {
    QWidget* oldest = nullptr;
    qulonglong oldestHandle = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const QVariant handle = widget->property(kWindowHandleProperty);
        if (!handle.isValid())
            continue;
        const bool matches = (!title.isEmpty() && widget->windowTitle() == title) ||
                             (property && widget->property(property).isValid());
        if (matches && (!oldest || handle.toULongLong() < oldestHandle)) {
            oldest = widget;
            oldestHandle = handle.toULongLong();
        }
    }
    return oldest;
}

// Runs the message through the window's handler; false when the widget is not a window of
// the system. User-interface thread only.
inline bool SendSystemMessage(QWidget* window, uint32_t message, uint64_t wParam, int64_t lParam,
                              int64_t& result) {
    if (!window)
        return false;
    CWindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
    result = event.m_Result;
    return event.m_Delivered;
}

}  // namespace ui
