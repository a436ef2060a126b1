#pragma once

// One message of the plug-in socket read as a request record.

#include <span>
#include <string>

#include "intake/request_entry.h"

namespace launcher {

inline constexpr size_t kRecordBytes = sizeof(intake::UploadRequestEntry);  // 1044

// Checks one message and copies it into entry. Returns why the record cannot be taken, or
// "" when it is well formed: exactly 1044 bytes; kind 1, 2 or 3; a directory that is empty
// or absolute and a name that is not empty, each terminated within its 260 units, with
// nothing but NULs after the terminator, and valid UTF-16.
std::u16string CheckPipeRecord(std::span<const char> message, intake::UploadRequestEntry& entry);

// The bytes of an entry as the socket carries them.
std::span<const char> RecordBytes(const intake::UploadRequestEntry& entry);

}  // namespace launcher
