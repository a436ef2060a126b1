#include "service/context.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace norvel::service {

std::string CServiceContext::Open(const std::string& dataDir) {
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    if (ec)
        return "cannot create " + dataDir + ": " + ec.message();
    // The database holds passwords and secrets: only the owner may read the folder.
    std::filesystem::permissions(dataDir, std::filesystem::perms::owner_all, ec);
    if (std::string error = contents.Open(dataDir); !error.empty())
        return error;
    return store.Open(dataDir + "/service.db");
}

std::string CServiceContext::PublicHost() const {
    std::lock_guard lock(m_Lock);
    return m_PublicHost;
}

void CServiceContext::SetPublicHost(std::string host) {
    std::lock_guard lock(m_Lock);
    m_PublicHost = std::move(host);
}

int64_t CServiceContext::Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace norvel::service
