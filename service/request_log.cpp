#include "service/request_log.h"

#include "service/form.h"

namespace norvel::service {

void CRequestLog::Add(CLoggedRequest entry) {
    if (entry.body.size() > kBodyCap)
        entry.body.resize(kBodyCap);
    std::lock_guard lock(m_Lock);
    entry.seq = m_NextSeq++;
    m_Bytes += entry.body.size();
    m_Entries.push_back(std::move(entry));
    while (m_Entries.size() > kMaxEntries || m_Bytes > kMaxBytes) {
        m_Bytes -= m_Entries.front().body.size();
        m_Entries.pop_front();
    }
}

void CRequestLog::Clear() {
    std::lock_guard lock(m_Lock);
    m_Entries.clear();
    m_Bytes = 0;
}

CJsonBuilder CRequestLog::Since(int64_t after) const {
    std::lock_guard lock(m_Lock);
    std::vector<CJsonBuilder> items;
    int64_t last = after;
    for (const CLoggedRequest& entry : m_Entries) {
        if (entry.seq <= after)
            continue;
        std::vector<CJsonBuilder> headers;
        for (const auto& [name, value] : entry.headers)
            headers.push_back(CJsonBuilder().Set("name", name).Set("value", value));
        items.push_back(CJsonBuilder()
                            .Set("seq", entry.seq)
                            .Set("time", entry.time)
                            .Set("method", entry.method)
                            .Set("target", entry.target)
                            .Set("path", entry.path)
                            .Set("status", int64_t(entry.status))
                            .Set("body_size", int64_t(entry.bodySize))
                            .Set("body_hex", HexEncode(entry.body))
                            .Set("headers", std::move(headers)));
        last = entry.seq;
    }
    return CJsonBuilder().Set("requests", std::move(items)).Set("last", last);
}

}  // namespace norvel::service
