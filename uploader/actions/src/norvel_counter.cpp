#include "actions/norvel_counter.h"

#include "action_text.h"
#include "net/http_request.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"

namespace actions {

CNorvelCounter::CNorvelCounter() : m_Worker([this] { Run(); }) {}

CNorvelCounter::~CNorvelCounter() {
    Stop();
}

std::string CNorvelCounter::CountBody(int32_t kind, bool loggedIn) {
    std::string body =
        "source=" + settings::GetSource() + "&cid=" + ToAnsi(settings::GetClientId());
    if (loggedIn)
        body += "&uid=" + settings::GetUserId() + "&token=" + ToAnsi(settings::GetToken());
    else
        body += "&uid=anonymous";
    return body + "&opt=" + std::to_string(kind);
}

void CNorvelCounter::Count(int32_t kind, bool loggedIn) {
    std::string body = CountBody(kind, loggedIn);
    {
        std::lock_guard lock(m_Lock);
        if (m_Stopped)
            return;
        if (m_Pending.size() >= kMaxPendingCounts)
            m_Pending.pop_front();  // a service out of reach must not make the list grow
        m_Pending.push_back(std::move(body));
    }
    m_Wake.Set();
}

void CNorvelCounter::Stop() {
    {
        std::lock_guard lock(m_Lock);
        m_Stopped = true;
        m_Pending.clear();
    }
    m_Stop.Set();
    if (m_Worker.joinable() && m_Worker.get_id() != std::this_thread::get_id())
        m_Worker.join();
}

int CNorvelCounter::LastStatus() const {
    std::lock_guard lock(m_Lock);
    return m_LastStatus;
}

void CNorvelCounter::Run() {
    for (;;) {
        platform::Event* const events[] = {&m_Stop, &m_Wake};
        if (platform::WaitAny(events, platform::kInfinite) == 0)
            return;
        for (std::string body; TakeNext(body);)
            Send(body);
    }
}

bool CNorvelCounter::TakeNext(std::string& body) {
    std::lock_guard lock(m_Lock);
    if (m_Stopped || m_Pending.empty())
        return false;
    body = std::move(m_Pending.front());
    m_Pending.pop_front();
    return true;
}

// The reply is not needed; the stop event ends a ping that is on its way.
void CNorvelCounter::Send(const std::string& body) {
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, settings::GetWebHost(), m_User, m_Password);
    size_t length = 0;
    net::GetJSONDataFromURL(settings::GetHeaderText(), length, info, u"app/stat/stat.php", body,
                            &m_Stop);
    m_ErrorCode = info.m_StatusCode;
    std::lock_guard lock(m_Lock);
    m_LastStatus = info.m_StatusCode;
}

}  // namespace actions
