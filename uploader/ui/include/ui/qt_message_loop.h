#pragma once

// The loop of the user-interface thread: the windows of the user interface are registered
// on it (see platform/qt_message_loop.h).

#include "platform/qt_message_loop.h"

namespace ui {

using platform::CQtMessageLoop;

// The loop of the user-interface thread, made on first use (on that thread).
CQtMessageLoop& QtLoop();
// Destroys it, if it exists (user-interface thread, when the interface is taken down).
void ReleaseQtLoop();

}  // namespace ui
