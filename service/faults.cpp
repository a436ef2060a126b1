#include "service/faults.h"

#include <chrono>

#include "service/form.h"

namespace norvel::service {
namespace {

const char* KindName(FaultKind kind) {
    switch (kind) {
        case FaultKind::Delay:
            return "delay";
        case FaultKind::Status:
            return "status";
        case FaultKind::Close:
            return "close";
        case FaultKind::Stall:
            return "stall";
        case FaultKind::Busy:
            return "busy";
    }
    return "";
}

std::optional<FaultKind> KindFromName(std::string_view name) {
    for (FaultKind kind :
         {FaultKind::Delay, FaultKind::Status, FaultKind::Close, FaultKind::Stall, FaultKind::Busy})
        if (name == KindName(kind))
            return kind;
    return std::nullopt;
}

}  // namespace

std::string NormalisePath(std::string_view path) {
    std::string out(path);
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (out.size() >= 3 && out.compare(out.size() - 3, 3, "%20") == 0)
        out.resize(out.size() - 3);
    if (out != "*" && (out.empty() || out.front() != '/'))
        out.insert(out.begin(), '/');
    return out;
}

void CFaults::Add(CFault fault) {
    fault.path = NormalisePath(fault.path);
    std::lock_guard lock(m_Lock);
    m_Faults.push_back(std::move(fault));
}

void CFaults::Clear() {
    std::lock_guard lock(m_Lock);
    m_Faults.clear();
}

CFaultPlan CFaults::Take(std::string_view path) {
    CFaultPlan plan;
    std::lock_guard lock(m_Lock);
    for (auto it = m_Faults.begin(); it != m_Faults.end();) {
        const bool matches = it->path == "*" || it->path == path;
        const bool isDelay = it->kind == FaultKind::Delay;
        if (!matches || (!isDelay && plan.action)) {
            ++it;
            continue;
        }
        if (isDelay)
            plan.delayMs += it->delayMs;
        else
            plan.action = *it;
        if (it->count > 0 && --it->count == 0)
            it = m_Faults.erase(it);
        else
            ++it;
    }
    return plan;
}

CJsonBuilder CFaults::Describe() const {
    std::lock_guard lock(m_Lock);
    std::vector<CJsonBuilder> items;
    for (const CFault& fault : m_Faults)
        items.push_back(
            CJsonBuilder()
                .Set("kind", KindName(fault.kind))
                .Set("path", fault.path)
                .Set("count", fault.count)
                .Set("ms", fault.kind == FaultKind::Stall ? fault.holdMs : fault.delayMs)
                .Set("status", int64_t(fault.status))
                .Set("after", fault.afterBytes));
    return CJsonBuilder().Set("faults", std::move(items));
}

bool CFaults::Sleep(int64_t ms) {
    std::unique_lock lock(m_Lock);
    return !m_Wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_Shutdown; });
}

void CFaults::Shutdown() {
    {
        std::lock_guard lock(m_Lock);
        m_Shutdown = true;
    }
    m_Wake.notify_all();
}

std::optional<CFault> CFaults::FromFields(
    const std::vector<std::pair<std::string, std::string>>& fields, std::string& error) {
    CFault fault;
    bool haveKind = false;
    for (const auto& [name, value] : fields) {
        int64_t number = 0;
        bool ok = true;
        if (name == "kind") {
            const auto kind = KindFromName(value);
            ok = kind.has_value();
            if (ok)
                fault.kind = *kind;
            haveKind = ok;
        } else if (name == "path") {
            fault.path = value;
            ok = !value.empty();
        } else if (name == "count") {
            ok = ParseInteger(value, 0, INT32_MAX, fault.count);
        } else if (name == "ms") {
            ok = ParseInteger(value, 0, 3600000, number);
            fault.delayMs = fault.holdMs = number;
        } else if (name == "status") {
            ok = ParseInteger(value, 1, 9999, number);
            fault.status = int(number);
        } else if (name == "after") {
            ok = ParseInteger(value, 0, INT64_MAX, fault.afterBytes);
        } else {
            ok = false;
        }
        if (!ok) {
            error = "bad fault field " + name;
            return std::nullopt;
        }
    }
    if (!haveKind || fault.path.empty()) {
        error = "a fault needs kind and path";
        return std::nullopt;
    }
    return fault;
}

}  // namespace norvel::service
