#pragma once

// The steps of the per-file driver (upload/driver.h), one file each.

#include <optional>
#include <string>

#include "intake/upload_context.h"
#include "upload/upload_run.h"

namespace upload::detail {

// Sets the state of a failed run, unless the user changed the state while the driver ran:
// cancelled (8), paused (15), or paused and resumed already (1, the queue runs it again).
// False when the state was kept.
bool SetFailureState(intake::UploadContext& task, int32_t state);
// "filename=" + dir + "/" + name.
std::u16string FileNameText(const intake::UploadContext& task);

// Refusals before anything is sent: an empty file (6, 4014), and for account uploads a
// file above the account's largest file (7, 4008) or above its free space (11, 4004).
// The state is set, logged and reported; empty when the file may go.
std::optional<int> RefuseByLimits(intake::UploadContext& task);

// Makes the remote folders of the task's name ("a/b/c.txt": a, then a/b), one task at a
// time across the process; 0, or the code of the folder that could not be made (the task
// then failed: state 5, logged, reported).
int MakeRemoteFolders(UploadRun& run);

// Registers a task that names a folder itself (account upload): 3 or 5, reported.
int RegisterFolderTask(UploadRun& run);

// Ticket, file, digest, content dialogue and registration; the result of the step that
// ended it (the task's m_TransferStatus 5 when it failed).
int TransferFile(UploadRun& run);

// Turns the result into the final state, logs the outcome, reports the task, closes the
// file and resets the stop event; returns 0 when the task is complete.
int Conclude(UploadRun& run, int result);

}  // namespace upload::detail
