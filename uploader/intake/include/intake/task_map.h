#pragma once

// The process-wide map from task id to task record, in ascending id order. The map owns
// the records. The task lock guards the map, the request queue and every record's state.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "intake/upload_context.h"

namespace intake {

std::mutex& TaskLock();

// With TaskLock() held: the record, or null.
UploadContext* FindTaskLocked(int32_t id);
// With TaskLock() held: adds the record under its id (replacing nothing); returns it.
UploadContext* InsertTaskLocked(std::unique_ptr<UploadContext> task);

// What the windows show of a task, copied under the lock.
struct TaskView {
    int32_t id = 0;
    int32_t state = 0;
    int32_t kind = 0;
    std::u16string dir;
    std::u16string name;
    std::u16string fileName;
    uint64_t fileSize = 0;
    uint64_t doneSize = 0;
    platform::WindowHandle owner = platform::kNoWindow;
};
std::optional<TaskView> GetTaskView(int32_t id);
std::vector<int32_t> TaskIds();  // ascending

// MoveTaskLocked (task_states.h) under the lock: false, and nothing changed, when the
// move is not legal now (the user paused or removed the task meanwhile).
bool SetTaskState(UploadContext& task, int32_t state);
int32_t GetTaskState(const UploadContext& task);

}  // namespace intake
