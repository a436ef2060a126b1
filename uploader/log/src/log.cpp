#include "log/log.h"

#include <utility>

#include "log_core.h"
#include "platform/text.h"
#include "record_line.h"

namespace {

// Narrow texts are nearly always ASCII, which needs no code-page conversion.
std::u16string Widen(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return platform::AnsiToWide(text);
    }
    return std::u16string(text.begin(), text.end());
}

}  // namespace

CLog::CLog(std::u16string name, CLogOptions options)
    : m_Core(std::make_unique<CLogCore>(*this, std::move(name), std::move(options))) {
    m_Core->Start();
}

CLog::~CLog() {
    m_Core->Stop();
}

void CLog::Write(int type, std::u16string_view event, bool ok, std::u16string_view cause,
                 std::u16string_view data1, std::u16string_view data2, std::u16string_view data3) {
    try {
        m_Core->Write(type, ok, {event, cause, data1, data2, data3});
    } catch (...) {
        // Logging never fails towards its caller; a record that cannot be made is lost.
    }
}

void CLog::WriteNarrow(std::string_view event, bool ok, std::string_view cause,
                       std::string_view data1, std::string_view data2, std::string_view data3) {
    try {
        m_Core->Write(L3_KEY, ok,
                      {Widen(event), Widen(cause), Widen(data1), Widen(data2), Widen(data3)});
    } catch (...) {
    }
}

void CLog::WriteErrorCode(int code, int type, std::u16string_view event, std::u16string_view data1,
                          std::u16string_view data2, std::u16string_view data3) {
    try {
        std::u16string cause = u"ERROR_CODE=";
        AppendDecimal(code, cause);
        m_Core->Write(type, false, {event, cause, data1, data2, data3});
    } catch (...) {
    }
}

std::u16string CLog::GetLogDir() {
    return m_Core->GetLogDir();
}
std::u16string CLog::GetHeader() {
    return m_Core->GetHeader();
}
std::vector<std::u16string> CLog::ListLogFiles() {
    return m_Core->ListLogFiles();
}
bool CLog::RefreshLevel(bool force) {
    return m_Core->RefreshLevel(force);
}

void CLog::Stop() {
    m_Core->Stop();
}
const std::u16string& CLog::Name() const {
    return m_Core->Name();
}
int CLog::Level() const {
    return m_Core->Level();
}
bool CLog::IsEnabled() const {
    return m_Core->IsEnabled();
}
CLogCounts CLog::Counts() const {
    return m_Core->Counts();
}
void CLog::RunWriterCycleNow() {
    m_Core->RunWriterCycleNow();
}
