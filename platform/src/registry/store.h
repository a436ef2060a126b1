#pragma once

// The process-wide copy of the registry file. Reads use the copy and re-read the file
// first when it changed on disk. Changes run under an exclusive lock on "<file>.lock",
// which every process holds around its read-modify-write: the change is applied to the
// file as it is then and the whole file is replaced atomically, so no process loses
// another's change. All members are thread-safe.

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "../file_io.h"
#include "text_format.h"

namespace platform::registry {

class Store {
public:
    static Store& Instance();

    // Calls `read` with the current content.
    void Read(const std::function<void(const Document&)>& read);
    // Calls `change` with the content as it is on disk and writes the file when it
    // returns true. False when the file could not be read or written; the change is
    // then lost.
    bool Modify(const std::function<bool(Document&)>& change);

private:
    Store() = default;
    void Refresh(const std::string& path);
    void Load(const std::string& path);
    bool Save();
    void ReportDamage(const ParseResult& parsed);

    std::mutex m_Lock;
    std::string m_Path;  // the file that m_Document came from
    bool m_Loaded = false;
    bool m_Unreadable = false;  // the file exists but cannot be read: it is never replaced
    UniqueFd m_File;            // that file as loaded, held open (see FileStamp)
    FileStamp m_Stamp;
    Document m_Document;
    std::optional<std::string> m_DamagedBytes;  // a damaged file as read, until kept aside
    bool m_DamageReported = false;              // once per process
};

}  // namespace platform::registry
