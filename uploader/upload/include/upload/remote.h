#pragma once

// Remote folders and file registration on the user's disk (account uploads): folders of
// a dropped tree are made with "/app/pc/disk.mkdir.php" before their files are sent, and
// each finished file is entered with "/app/pc/disk.mkfile.php", below the root folder
// "/我的网盘/我收到的文件", naming the stored content ("kdw_path"), its size, MD5 and times.

#include <cstdint>
#include <string>
#include <string_view>

#include "upload/records.h"

namespace upload {

struct UploadRun;

// The root folder of every upload, UTF-8.
inline constexpr std::string_view kUploadRootFolder = "/我的网盘/我收到的文件";

// Describes a local file or folder: folder flag, size, creation and modification times.
// The MD5 is not computed here: the driver digests the file it opened (once per run).
void DescribeLocal(RemoteFileEntry& entry, std::u16string_view path);

// The seconds written for a file time: as the Windows client registers them, the time is
// moved by the local UTC offset, so that the texts of the registration (written in local
// time) show the UTC time of day.
int64_t RegisteredTime(int64_t unixSeconds);

// The entry's path below the task's folder, "/" first and URL-encoded in UTF-8 ("%2Fa%2Fb");
// a path that does not lie below the folder is used whole.
std::string RemoteEntryName(std::u16string_view path, std::u16string_view dir);

// The form body of the registration of the entry (a folder: "&dirs=[...]", a file:
// "&files=[...]" with the run's remote path, size, MD5 and base version).
std::string RegistrationBody(const RemoteFileEntry& entry, const UploadRun& run);

// Registers the entry on the task's API host. 0 success; 1000 and 1003 for the statuses
// 1000 and 2 or "errno" 2; 1006 for "errno" 4 (the disk is full); 4011 and 4012 for a
// refusal with "errno" 19 (parent folder missing) and 25 (the name exists); -1 for
// anything else, any other refusal included. When a file is refused, what the reply tells
// of the file the service holds (MD5, size, creation and modification times) is read into
// the entry.
int RegisterRemote(RemoteFileEntry& entry, UploadRun& run);

}  // namespace upload
