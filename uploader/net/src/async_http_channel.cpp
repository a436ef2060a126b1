#include "net/async_http_channel.h"

#include "curl_transfer.h"
#include "net/internet_errors.h"
#include "net/request_target.h"
#include "net/transport_timings.h"
#include "platform/text.h"
#include "settings/service_hosts.h"
#include "settings/session_state.h"

namespace net {
namespace {

// The header block as lines for libcurl: split at every CR and LF, so that no line can
// carry a second header; empty lines dropped.
std::vector<std::string> HeaderLines(std::u16string_view headers) {
    const std::string bytes = platform::WideToAnsi(headers);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        if (end > start)
            lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

AsyncHttpChannel::AsyncHttpChannel() {
    const TransportTimings timings = GetTransportTimings();
    m_Timeout = timings.requestTimeoutMs;
    m_ConnectRetries = timings.connectRetries;
}

AsyncHttpChannel::~AsyncHttpChannel() {
    Close();
}

bool AsyncHttpChannel::Create(platform::Event* stopEvent, platform::Event* shutdownEvent) {
    m_hStop = stopEvent;
    m_hShutdown = shutdownEvent ? shutdownEvent : &settings::AbortEvent();
    return true;
}

bool AsyncHttpChannel::Open(std::u16string_view agent) {
    if (!InPhase(Phase::Created))
        return false;
    if (!m_hShutdown)
        Create(m_hStop);
    m_Agent = platform::WideToUtf8(agent);
    m_Transfer = std::make_unique<CurlTransfer>(m_hStop, m_hShutdown);
    if (!m_Transfer->Init(m_Agent)) {
        m_Transfer.reset();
        return Fail(ERROR_INTERNET_INTERNAL_ERROR);
    }
    m_Phase = Phase::Opened;
    return true;
}

bool AsyncHttpChannel::ApplyOptions() {
    // The options are handed to the transfer when the request is sent.
    return m_Transfer != nullptr;
}

bool AsyncHttpChannel::AttachCallback() {
    if (!m_Transfer)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    if (m_Transfer->StopRequested())
        return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    return true;
}

bool AsyncHttpChannel::Connect(const settings::ServiceHost& host, std::u16string_view user,
                               std::u16string_view password) {
    if (!InPhase(Phase::Opened))
        return false;
    if (m_Transfer->StopRequested())
        return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    m_Origin = OriginOf(host);
    if (m_Origin.empty())
        return Fail(ERROR_INTERNET_INVALID_URL);
    m_BasePath = host.basePath;
    m_User = platform::WideToUtf8(user);
    m_Password = platform::WideToUtf8(password);
    m_Phase = Phase::Connected;
    return true;
}

bool AsyncHttpChannel::Connect(std::u16string_view host, uint16_t port, std::u16string_view user,
                               std::u16string_view password) {
    settings::ServiceHost plain;
    plain.host = host;
    plain.port = port;
    return Connect(plain, user, password);
}

bool AsyncHttpChannel::OpenRequest(std::u16string_view verb, std::u16string_view path) {
    if (!InPhase(Phase::Connected))
        return false;
    if (m_Transfer->StopRequested())
        return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    m_Verb = platform::WideToUtf8(verb);
    if (m_Verb.empty() || m_Verb.find_first_of(" \t\r\n") != std::string::npos)
        return Fail(ERROR_INTERNET_INVALID_URL);
    m_Url = m_Origin + RequestTarget(m_BasePath, path);
    m_Phase = Phase::RequestOpened;
    return true;
}

bool AsyncHttpChannel::SendRequest(std::u16string_view headers, std::string_view body,
                                   uint64_t totalLength) {
    if (!InPhase(Phase::RequestOpened))
        return false;
    if (totalLength < body.size())
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    TransferOptions options;
    options.timeoutMs = m_Timeout;
    options.connectRetries = m_ConnectRetries;
    options.user = m_User;
    options.password = m_Password;
    options.streamOnKeptConnection = m_StreamOnKeptConnection;
    m_Phase = Phase::Sent;
    return FromTransfer(m_Transfer->Start(m_Verb, m_Url, HeaderLines(headers), std::string(body),
                                          totalLength, options));
}

bool AsyncHttpChannel::Write(const void* buffer, size_t count, size_t& written) {
    written = 0;
    if (!InPhase(Phase::Sent))
        return false;
    if (m_Transfer->StopRequested()) {
        m_Transfer->Abort(ERROR_INTERNET_OPERATION_CANCELLED);
        return FromTransfer(false);
    }
    if (count > m_Transfer->BodyLeft()) {
        m_Transfer->Abort(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FromTransfer(false);
    }
    if (!m_Transfer->Write(static_cast<const char*>(buffer), count))
        return FromTransfer(false);
    written = count;
    // A stop that came while the bytes went out still ends the request.
    if (m_Transfer->StopRequested()) {
        m_Transfer->Abort(ERROR_INTERNET_OPERATION_CANCELLED);
        return FromTransfer(false);
    }
    return true;
}

bool AsyncHttpChannel::EndRequest() {
    if (!InPhase(Phase::Sent))
        return false;
    if (m_Transfer->BodyLeft() != 0) {
        m_Transfer->Abort(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FromTransfer(false);
    }
    m_Phase = Phase::Ended;
    return FromTransfer(m_Transfer->FinishRequest());
}

int AsyncHttpChannel::QueryStatusCode() const {
    return m_Transfer && m_Transfer->Head().complete ? m_Transfer->Head().status : 0;
}

std::optional<std::string> AsyncHttpChannel::QueryHeader(std::string_view name) const {
    if (!m_Transfer || !m_Transfer->Head().complete)
        return std::nullopt;
    for (const std::string& line : m_Transfer->Head().lines) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos &&
            SameNameIgnoringCase(Trimmed(line.substr(0, colon)), name))
            return std::string(Trimmed(std::string_view(line).substr(colon + 1)));
    }
    return std::nullopt;
}

bool AsyncHttpChannel::Read(void* buffer, size_t capacity, size_t& length) {
    length = 0;
    if (!InPhase(Phase::Ended))
        return false;
    if (!m_Transfer->Read(static_cast<char*>(buffer), capacity, length))
        return FromTransfer(false);
    if (m_Transfer->StopRequested()) {
        m_Transfer->Abort(ERROR_INTERNET_OPERATION_CANCELLED);
        return FromTransfer(false);
    }
    return true;
}

bool AsyncHttpChannel::ReadOnce(char* buffer, size_t capacity, size_t& length) {
    length = 0;
    if (capacity == 0)
        return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const bool ok = Read(buffer, capacity - 1, length);
    buffer[length] = '\0';
    return ok;
}

void AsyncHttpChannel::Close() {
    m_Transfer.reset();
    m_Phase = Phase::Closed;
}

bool AsyncHttpChannel::ConnectFailed() const {
    return m_Transfer && m_Transfer->ConnectFailed();
}

bool AsyncHttpChannel::Fail(uint32_t error) {
    m_LastError = error;
    return false;
}

bool AsyncHttpChannel::FromTransfer(bool ok) {
    if (!ok)
        m_LastError = m_Transfer->LastError();
    return ok;
}

// A step out of order fails without touching the request.
bool AsyncHttpChannel::InPhase(Phase phase) {
    if (m_Phase == phase && (phase == Phase::Created || m_Transfer))
        return true;
    return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

}  // namespace net
