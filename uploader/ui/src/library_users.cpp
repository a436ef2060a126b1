#include "ui/library_users.h"

#include <QApplication>
#include <QWidget>

#include "intake/intake_ui.h"
#include "settings/session_state.h"

namespace ui {

void LeaveLibrary() {
    if (--settings::g_BatchCount > 0)
        return;
    intake::CIntakeUi& ui = intake::IntakeUi();
    const platform::WindowHandle mini = ui.MiniWindow();
    if (mini != platform::kNoWindow && platform::IsWindow(mini))
        return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->property("norvel_window_handle").isValid())
            return;
    ui.CloseHost();
}

}  // namespace ui
