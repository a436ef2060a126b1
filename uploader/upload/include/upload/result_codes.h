#pragma once

// Result codes of the upload engine. 0 is success; everything else is a failure that the
// per-file driver turns into a task state.

namespace upload {

inline constexpr int kUploadOk = 0;
inline constexpr int kUploadFailed = -1;          // any other failure
inline constexpr int kServiceUnavailable = 1000;  // the HTTP status was 1000
inline constexpr int kServiceBusy = 1003;         // "errno" 2, or the HTTP status 2
inline constexpr int kServiceDiskFull = 1006;     // the service reports the disk full ("errno" 4)
inline constexpr int kDiskFull = 4004;            // the file is larger than the free space
inline constexpr int kSpaceUsedUp = 4005;         // no space is left on the account
inline constexpr int kFileNotFound = 4006;
inline constexpr int kFileLocked = 4007;         // the file exists but cannot be opened
inline constexpr int kFileTooLarge = 4008;       // above the account's largest file
inline constexpr int kUnexpectedCommand = 4009;  // a reply command the dialogue does not know
inline constexpr int kNoReply = 4010;            // no status came back (time-out)
inline constexpr int kParentMissing = 4011;      // the remote parent folder is missing
inline constexpr int kFileExists = 4012;         // a remote file of that name exists
inline constexpr int kEmptyFile = 4014;

}  // namespace upload
