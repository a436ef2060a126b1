#include "intake/upload_context.h"

#include <cstdint>
#include <optional>

#include "intake/library.h"
#include "intake_state_data.h"
#include "platform/event.h"
#include "platform/files.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace intake {
namespace {

int32_t InitialState(const UploadContext& task) {
    const auto attributes = platform::GetAttributes(task.m_Path);
    const bool folder = attributes && attributes->folder;
    if (!folder && task.m_FileSize == 0)
        return kTaskEmptyFile;
    if (task.m_UploadKind == kAccountUpload) {
        const auto limit = ReadAccountFigure(settings::GetMaxFileSize());
        if (limit && task.m_FileSize > *limit)
            return kTaskTooLarge;
    }
    return kTaskWaiting;
}

}  // namespace

UploadContext::UploadContext()
    : m_hStopEvent(std::make_unique<platform::Event>(platform::Event::ResetMode::Manual)) {}

UploadContext::~UploadContext() = default;

std::unique_ptr<UploadContext> CreateUploadContext(std::u16string_view dir,
                                                   std::u16string_view name,
                                                   platform::WindowHandle ownerWnd, int32_t kind) {
    auto task = std::make_unique<UploadContext>();
    task->m_TaskId = ++Library().Intake().lastTaskId;
    task->m_hOwnerWnd = ownerWnd;
    task->m_UploadKind = kind;
    task->m_ApiHost = settings::GetApiHost();
    task->m_Dir = dir;
    task->m_Name = name;
    task->m_Path = task->m_Dir + u'/' + task->m_Name;
    task->m_FileSize = platform::FileSize(task->m_Path).value_or(0);
    const size_t slash = task->m_Name.rfind(u'/');
    task->m_FileName =
        slash == std::u16string::npos ? task->m_Name : task->m_Name.substr(slash + 1);
    task->m_State = InitialState(*task);
    return task;
}

std::optional<uint64_t> ReadAccountFigure(std::u16string_view text) {
    if (text.empty())
        return std::nullopt;
    size_t i = text.find_first_not_of(u" \t");
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const uint64_t digit = text[i] - u'0';
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    return value;
}

void ResetTaskIdCounter() {
    Library().Intake().lastTaskId = kFirstTaskId - 1;
}

void PulseStopEvent(UploadContext& task) {
    task.m_hStopEvent->Reset();
    task.m_hStopEvent->Set();
}

}  // namespace intake
