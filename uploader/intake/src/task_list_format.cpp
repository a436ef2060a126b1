#include "archive_string.h"
#include "intake/task_list.h"

namespace intake {

void CTask::Store(std::string& out) const {
    archive::WriteString(out, m_Dir);
    archive::WriteString(out, m_Name);
    archive::WriteInt32(out, m_State);
}

bool CTask::Load(std::string_view bytes, size_t& offset) {
    size_t at = offset;
    CTask read;
    if (!archive::ReadString(bytes, at, read.m_Dir) ||
        !archive::ReadString(bytes, at, read.m_Name) ||
        !archive::ReadInt32(bytes, at, read.m_State))
        return false;
    *this = std::move(read);
    offset = at;
    return true;
}

std::string EncodeTaskList(const std::vector<CTask>& tasks) {
    std::string bytes;
    if (tasks.empty())
        return bytes;  // an empty map leaves the file empty, without a count
    archive::WriteInt32(bytes, static_cast<int32_t>(tasks.size()));
    for (const CTask& task : tasks)
        task.Store(bytes);
    return bytes;
}

DecodedTaskList DecodeTaskList(std::string_view bytes) {
    DecodedTaskList list;
    if (bytes.empty())
        return list;
    size_t offset = 0;
    int32_t count = 0;
    if (!archive::ReadInt32(bytes, offset, count) || count < 0) {
        list.damaged = true;
        return list;
    }
    for (int32_t i = 0; i < count; ++i) {
        CTask task;
        if (!task.Load(bytes, offset)) {
            list.damaged = true;  // cut short, or not a record: the rest cannot be read
            return list;
        }
        list.tasks.push_back(std::move(task));
    }
    list.damaged = offset != bytes.size();  // bytes after the last record
    return list;
}

}  // namespace intake
