#pragma once

// The per-file upload driver: checks the file against the account's limits, makes the
// remote folders of a dropped tree (account uploads), obtains the upload ticket, opens and
// digests the file, runs the content dialogue, registers the finished file on the user's
// disk (account uploads) and turns the outcome into the task state the row shows.
//
//   1 ─► 2 ─► 3 complete | 5 failed | 6 empty | 7 too large | 9 cannot be opened |
//             10 not found | 11 disk full | 12 time-out | 13 parent folder missing |
//             14 file exists
//
// A task the user cancels (8) or pauses (15) while it runs keeps that state and logs no
// outcome; so does one paused and resumed before its run returned (1: the queue runs it
// again).

#include <cstdint>
#include <string_view>

#include "intake/upload_context.h"

namespace upload {

struct UploadRun;

// Uploads one file on the calling (worker) thread, with a run record of its own made for
// this run (upload/upload_run.h); returns 0 when the task ended complete, else the code of
// what failed (upload/result_codes.h). The task's m_RemotePath is the run's when it returns.
int UploadFile(intake::UploadContext& task);
// UploadFile with a run record that the caller made for the task and keeps, so that the
// engine's working state can be looked at afterwards (tests, benchmarks). A record serves
// one run.
int RunUpload(UploadRun& run);

// The state a failed run's result leads to, and the name its outcome record carries.
int32_t FailureState(int result);
std::u16string_view StateName(int result);

}  // namespace upload
