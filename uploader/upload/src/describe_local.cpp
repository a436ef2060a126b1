#include <ctime>

#include "platform/files.h"
#include "upload/remote.h"

namespace upload {

int64_t RegisteredTime(int64_t unixSeconds) {
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return unixSeconds;
    return unixSeconds - local.tm_gmtoff;
}

void DescribeLocal(RemoteFileEntry& entry, std::u16string_view path) {
    const auto attributes = platform::GetAttributes(path);
    entry.m_IsFolder = attributes && attributes->folder;
    entry.m_Md5.clear();
    entry.m_Path = std::u16string(path);
    entry.m_Size = platform::FileSize(path).value_or(0);
    entry.m_CreateTime = 0;
    entry.m_ModifyTime = 0;
    if (const auto created = platform::CreationTime(path))
        entry.m_CreateTime = RegisteredTime(*created);
    if (const auto modified = platform::ModificationTime(path))
        entry.m_ModifyTime = RegisteredTime(*modified);
}

}  // namespace upload
