#pragma once

// Small steps shared by the requests of the upload dialogue.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "intake/upload_context.h"
#include "upload/byte_range.h"
#include "upload/transfer_status.h"
#include "upload/upload_run.h"

namespace upload::detail {

// True when the task was told to stop (its stop event, the library's abort event) or
// the user removed it.
bool IsStopped(const intake::UploadContext& task);
// Waits ms milliseconds unless the task is stopped first; true when it was stopped.
bool WaitOrStop(const intake::UploadContext& task, uint32_t ms);

// The dialogue failed: transfer status 5 and the run's file closed.
void FailTransfer(UploadRun& run);
// The service confirmed the whole file: its remote path, all bytes done, the file closed.
void FinishUpload(UploadRun& run, std::string_view remotePathUtf8);
// Reports a change of the task to its window.
void NotifyProgress(const intake::UploadContext& task);

// "m_strFilePathName=" + dir + "/" + name, the data text of the engine's failure records.
std::u16string FilePathText(const intake::UploadContext& task);
// A failure record of the engine (type L3_KEY).
void LogFailure(std::u16string_view event, std::u16string_view cause,
                std::u16string_view data1 = {}, std::u16string_view data2 = {},
                std::u16string_view data3 = {});
// "Body=" + the reply, widened from the ANSI code page.
std::u16string BodyText(std::string_view reply);

// The request time stamp: seconds since 1970 now, decimal.
std::string TimeStamp();

// The absolute file bytes that a range of the file (segId empty) or of a segment
// stands for. Empty when the range is malformed, names bytes outside the file or the
// segment, names an unknown segment, or is longer than the largest block.
std::optional<ByteRange> ResolveRange(const UploadRun& run, std::string_view segId,
                                      std::string_view range);

}  // namespace upload::detail
