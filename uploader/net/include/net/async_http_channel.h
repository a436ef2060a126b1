#pragma once

// One HTTP request as a sequence of blocking steps that a task can cut short. Every step
// waits for the network together with the task's stop event and the process-wide
// shutdown event: when either is set, the waiting step fails at once (within a poll of
// 100 ms at worst, at once in practice because setting the event wakes the wait), also
// while a connection stalls.
//
//   Create ─► Open ─► ApplyOptions ─► AttachCallback ─► Connect ─► OpenRequest
//          ─► SendRequest ─► Write × n ─► EndRequest ─► QueryStatusCode / QueryHeader
//          ─► ReadOnce (or Read × n) ─► Close
//
// A channel serves exactly one request; a retry or the next block builds a new one. The
// connection is made while the request is sent, so a host that cannot be reached fails
// SendRequest (and ConnectFailed() then tells it apart from later failures).
//
// Body streaming: SendRequest declares the body length and may carry the first bytes
// (or all of them); Write sends further pieces and returns once each piece was sent, so
// a progress report after every Write is exact. Pieces of 128 KiB suit libcurl best.
// Connections are kept between requests; a request whose body is streamed goes on a
// connection of its own, unless the caller sends such a request again itself when Write
// or EndRequest fails with ERROR_INTERNET_FORCE_RETRY (SetStreamOnKeptConnection).
//
// Time-outs (SetTimeout, default the request time-out of GetTransportTimings()): the
// connection must be made in that time, with one further attempt by default; afterwards
// a step fails when no byte moved for that long. A time-out is reported as
// ERROR_INTERNET_TIMEOUT, a stop or shutdown as ERROR_INTERNET_OPERATION_CANCELLED.
//
// No step throws. A failed step leaves the channel failed: later steps fail too.
// One thread uses a channel at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class Event;
}
namespace settings {
struct ServiceHost;
}

namespace net {

class CurlTransfer;

class AsyncHttpChannel {
public:
    AsyncHttpChannel();
    ~AsyncHttpChannel();  // closes
    AsyncHttpChannel(const AsyncHttpChannel&) = delete;
    AsyncHttpChannel& operator=(const AsyncHttpChannel&) = delete;

    // Keeps the task's stop event (may be null) and the shutdown event (null: the
    // process-wide abort event of the settings); both must outlive the channel.
    bool Create(platform::Event* stopEvent, platform::Event* shutdownEvent = nullptr);
    // Makes the handles; agent is the User-Agent unless the headers carry one.
    [[nodiscard]] bool Open(std::u16string_view agent);
    void SetTimeout(uint32_t milliseconds) { m_Timeout = milliseconds; }
    uint32_t Timeout() const { return m_Timeout; }
    // Further attempts after a connection could not be made (default from the timings).
    void SetConnectRetries(int retries) { m_ConnectRetries = retries; }
    // Lets a streamed body go on a kept connection. When that connection closes before
    // the reply came, Write or EndRequest fails with ERROR_INTERNET_FORCE_RETRY: the request
    // is to be sent again, on a new channel.
    void SetStreamOnKeptConnection(bool allowed) { m_StreamOnKeptConnection = allowed; }
    // Takes the time-out and retries for the request; false before Open.
    bool ApplyOptions();
    // True when the task may go on: false once the stop or shutdown event is set. The
    // events reach every wait of this channel from Open on.
    bool AttachCallback();

    // The server of the request. The host must be a name or address (letters, digits,
    // ".", "-", "_", and the colons of an IPv6 address).
    [[nodiscard]] bool Connect(const settings::ServiceHost& host, std::u16string_view user = {},
                               std::u16string_view password = {});
    [[nodiscard]] bool Connect(std::u16string_view host, uint16_t port,
                               std::u16string_view user = {}, std::u16string_view password = {});
    // The verb and the path (below the host's base path); the path is sent as a
    // well-formed request target (see net/request_target.h).
    [[nodiscard]] bool OpenRequest(std::u16string_view verb, std::u16string_view path);
    // Sends the request: the header block (CR LF separated lines, sent in the ANSI code
    // page), then `body`; totalLength is the declared body length, at least body.size().
    // The rest of the body follows through Write.
    [[nodiscard]] bool SendRequest(std::u16string_view headers, std::string_view body,
                                   uint64_t totalLength);
    [[nodiscard]] bool SendRequest(std::u16string_view headers, std::string_view body = {}) {
        return SendRequest(headers, body, body.size());
    }
    // Sends count bytes of the body. Fails at once when the stop event is set, and also
    // when it is set by the time the bytes were sent (written then tells what went out).
    [[nodiscard]] bool Write(const void* buffer, size_t count, size_t& written);
    // The body is complete: waits for the head of the reply. Fails when fewer body
    // bytes than declared were sent.
    [[nodiscard]] bool EndRequest();

    // The status of the reply; 0 when none came.
    int QueryStatusCode() const;
    // The value of the reply's first header of that name (any case), blanks trimmed.
    std::optional<std::string> QueryHeader(std::string_view name) const;

    // Reads up to capacity bytes of the reply body: fewer only at its end, 0 once it was
    // read whole. Fails when the reply broke off or the stop event is set.
    [[nodiscard]] bool Read(void* buffer, size_t capacity, size_t& length);
    // Reads the reply (at most capacity - 1 bytes) in one call and puts a terminating
    // zero after it, inside the buffer; size the buffer for the largest reply.
    [[nodiscard]] bool ReadOnce(char* buffer, size_t capacity, size_t& length);

    // Ends the request and closes the connection; the channel can be destroyed or left.
    void Close();

    // The error of the last failed step (see net/internet_errors.h); 0 when none failed.
    uint32_t LastError() const { return m_LastError; }
    // True when the last failure was that the server could not be reached.
    bool ConnectFailed() const;

private:
    enum class Phase { Created, Opened, Connected, RequestOpened, Sent, Ended, Closed };

    bool Fail(uint32_t error);
    bool FromTransfer(bool ok);
    bool InPhase(Phase phase);

    platform::Event* m_hStop = nullptr;      // the task's stop event, not owned
    platform::Event* m_hShutdown = nullptr;  // the process-wide shutdown event, not owned
    std::unique_ptr<CurlTransfer> m_Transfer;
    Phase m_Phase = Phase::Created;
    uint32_t m_Timeout;    // milliseconds
    int m_ConnectRetries;  // further connection attempts
    bool m_StreamOnKeptConnection = false;
    uint32_t m_LastError = 0;
    std::string m_Agent;        // User-Agent, UTF-8
    std::string m_Origin;       // "http://host:port"
    std::u16string m_BasePath;  // path prefix of the host: "" or "/base"
    std::string m_User, m_Password;
    std::string m_Verb, m_Url;
};

}  // namespace net
