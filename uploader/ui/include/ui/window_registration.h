#pragma once

// A widget's entry in the window table of platform/window.h: the handle under which the
// rest of the library posts and sends it messages, registered on the user-interface
// thread's loop. The handle is destroyed with the registration, or earlier by Close(), so
// that a closing window stops receiving messages at once.

#include <string>
#include <string_view>

#include "platform/window.h"

class QEvent;
class QWidget;

namespace ui {

class CWindowRegistration {
public:
    // Registers the handler under a new handle and marks the widget with it (its Qt
    // property "norvel_window_handle").
    CWindowRegistration(QWidget& widget, platform::WindowProc proc, std::u16string title = {});
    ~CWindowRegistration();
    CWindowRegistration(const CWindowRegistration&) = delete;
    CWindowRegistration& operator=(const CWindowRegistration&) = delete;

    platform::WindowHandle Handle() const { return m_Handle; }
    // Destroys the handle now; later messages to it are dropped.
    void Close();

    // Sets the title in the window table and on the widget.
    void SetTitle(std::u16string_view title);
    // Sets a named property in the window table and as a Qt property of the widget.
    void SetProperty(std::u16string_view name, platform::LParam value);

    // For the widget's event(): runs a CWindowMessageEvent through the handler; false for
    // any other event.
    bool Deliver(QEvent* event);

private:
    QWidget& m_Widget;
    platform::WindowHandle m_Handle = platform::kNoWindow;
};

}  // namespace ui
