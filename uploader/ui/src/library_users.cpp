#include "ui/library_users.h"

#include <QApplication>
#include <QWidget>

#include "intake/intake_ui.h"
#include "intake/library.h"

namespace ui {

void LeaveLibrary() {
    if (intake::Session().RemoveLibraryUser() > 0)
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
