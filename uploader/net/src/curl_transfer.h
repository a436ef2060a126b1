#pragma once

// The libcurl side of one channel: an easy handle on a multi handle, both taken from the
// process's idle pairs (whose connection caches let a later request to the same host go
// out on a kept connection; a request with a streamed body always gets a connection of
// its own), driven pass by pass on the calling thread so that every step can end as soon
// as the task's stop event or the process-wide shutdown event is set. Both events wake the multi
// handle's poll through curl_multi_wakeup (this object listens to them), so a stop takes
// effect at once, whatever the connection is doing.
//
// A body given whole with Start() is handed to libcurl with the request. A streamed body
// comes from the read callback: first the bytes given with Start(), then the caller's
// pieces given to Write(); when it has nothing, the upload pauses until the next Write().
// A streamed body is never sent again: it goes out on a connection of its own. Reply bytes
// are kept in a receive buffer until Read() takes them; when more than a window is
// waiting, receiving pauses.
//
// Time-outs: connecting is bounded by libcurl's connect time-out; once connected, a step
// fails with ERROR_INTERNET_TIMEOUT when no byte moved in either direction for the whole
// time-out. A connection that could not be made is tried again (connect retries) as long
// as no body byte was handed out.

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/event.h"

namespace net {

struct TransferOptions {
    uint32_t timeoutMs = 20000;
    int connectRetries = 1;
    std::string user;  // basic credentials; none when both are empty
    std::string password;
    // A body streamed in pieces may go on a kept connection (and the connection stays for
    // later requests); when that connection turns out closed before the reply, the transfer
    // fails with ERROR_INTERNET_FORCE_RETRY, for the caller to send the request again.
    bool streamOnKeptConnection = false;
};

// The head of the final reply (interim 1xx replies are skipped).
struct ReplyHead {
    int status = 0;                  // 0 until a status line came
    std::vector<std::string> lines;  // header lines without CR LF
    size_t bytes = 0;                // kept header bytes, bounded
    bool complete = false;           // the blank line after the head came
};

class CurlTransfer final : public platform::EventListener {
public:
    // stop and shutdown may be null; they must outlive this object.
    CurlTransfer(platform::Event* stop, platform::Event* shutdown);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Makes the handles; false when libcurl cannot.
    [[nodiscard]] bool Init(const std::string& userAgent);
    // Starts the request and returns once its head and `head` bytes of body went out
    // (or the reply came early). total is the declared body length.
    [[nodiscard]] bool Start(const std::string& verb, const std::string& url,
                             const std::vector<std::string>& headerLines, std::string head,
                             uint64_t total, const TransferOptions& options);
    // Sends one piece of the body; returns once every byte of it was sent.
    [[nodiscard]] bool Write(const char* data, size_t size);
    // Bytes of the declared body not yet handed out.
    uint64_t BodyLeft() const { return m_Upload.whole ? 0 : m_Upload.total - m_Upload.handed; }
    // Waits for the head of the reply.
    [[nodiscard]] bool FinishRequest();
    // Up to capacity reply bytes: fewer only at the end of the reply (0 there).
    [[nodiscard]] bool Read(char* out, size_t capacity, size_t& length);
    // Ends the transfer: the connection is closed and every later step fails with error.
    void Abort(uint32_t error);

    const ReplyHead& Head() const { return m_Head; }
    uint32_t LastError() const { return m_LastError; }
    // True when the last failure happened before a connection was made.
    bool ConnectFailed() const { return m_ConnectFailed; }
    bool StopRequested() const;

    void Notify() override;

private:
    struct Upload {
        std::string head;  // body bytes given with Start()
        size_t headAt = 0;
        const char* piece = nullptr;  // the piece of the running Write()
        size_t pieceSize = 0;
        size_t pieceAt = 0;
        uint64_t total = 0;   // declared body length
        uint64_t handed = 0;  // body bytes handed to libcurl
        bool paused = false;  // the read callback found nothing and paused the upload
        bool whole = false;   // the body is `head`, handed to libcurl with the request
    };
    struct Download {
        std::string buffer;  // received bytes from `at` on are unread
        size_t at = 0;
        size_t wanted = 0;    // bytes the running Read() asks for
        bool paused = false;  // the body callback paused receiving
        size_t Unread() const { return buffer.size() - at; }
    };

    static size_t OnRead(char* buffer, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnConnected(void* self, char*, char*, int, int);

    bool Launch();
    bool Drive(const std::function<bool()>& ready);
    void TakeResult();
    bool RetryConnection();
    bool Failed();
    uint32_t ErrorOfResult() const;
    uint64_t Activity() const;
    void Resume();
    void Consume(size_t count);

    platform::Event* const m_Stop;
    platform::Event* const m_Shutdown;
    bool m_Listening = false;
    CURLM* m_Multi = nullptr;
    CURL* m_Easy = nullptr;
    curl_slist* m_HeaderList = nullptr;
    bool m_InMulti = false;  // the easy handle is on the multi handle

    TransferOptions m_Options;
    int m_RetriesLeft = 0;
    Upload m_Upload;
    Download m_Download;
    ReplyHead m_Head;
    uint64_t m_Received = 0;   // reply bytes seen, for the time-out
    bool m_Connected = false;  // the connection of the current attempt is up
    bool m_Done = false;       // libcurl finished the transfer with m_Result
    CURLcode m_Result = CURLE_OK;
    bool m_Aborted = false;
    bool m_ConnectFailed = false;
    uint32_t m_LastError = 0;
};

}  // namespace net
