#include "library_status.h"

#include "intake/intake_state.h"
#include "intake/queue.h"
#include "intake/task_map.h"

control::ControlStatus LibraryStatus() {
    control::ControlStatus status;
    status.engine = intake::HasUploadDriver();
    status.mainWindow = intake::MainWindowExists();
    for (const int32_t id : intake::TaskIds()) {
        const auto view = intake::GetTaskView(id);
        if (view)
            status.tasks.push_back({view->id, view->state, view->dir + u"/" + view->name});
    }
    return status;
}
