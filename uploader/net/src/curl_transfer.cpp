#include "curl_transfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "net/internet_errors.h"
#include "net/transport_init.h"
#include "platform/kept_object.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kUploadPiece = 131072;          // largest piece libcurl asks the read callback for
constexpr int kPollMs = 100;                   // longest sleep between two looks at the events
constexpr size_t kReceiveWindow = 256 * 1024;  // reply bytes held before receiving pauses
constexpr size_t kMaxHeadBytes = 64 * 1024;    // header bytes kept of one reply
constexpr size_t kCompactAt = 64 * 1024;       // read bytes dropped from the buffer's front
// A kept connection idle longer than this is not used again, so that a service closing
// idle connections after a few seconds never closes one as a request goes out on it.
constexpr long kMostIdleSeconds = 1;

constexpr size_t kMostIdleHandles = 8;

// Handle pairs (a multi handle and its easy handle) kept between transfers: the multi
// handle's connection cache keeps the connection of a finished request open for the next
// request to the same host, and the easy handle is not made afresh for each request. A
// transfer takes the pair given back last, or new handles when none is idle; beyond
// kMostIdleHandles idle pairs, a pair given back is cleaned up with its connections.
// Kept for the life of the process (threads may make requests during the exit), and in
// no thread-local storage, whose clean-up would hold up the unloading of this library.
// Every libcurl handle of the transport comes from here, so making the pool (once, on the
// first transfer) is where libcurl is set up.
class HandlePool {
public:
    static HandlePool& Instance() {
        static HandlePool* const pool = platform::KeptForGood(new HandlePool);
        return *pool;
    }
    HandlePool() { InitTransport(); }
    void Take(CURLM*& multi, CURL*& easy) {
        {
            std::lock_guard lock(m_Lock);
            if (!m_Idle.empty()) {
                multi = m_Idle.back().multi;
                easy = m_Idle.back().easy;
                m_Idle.pop_back();
                return;
            }
        }
        multi = curl_multi_init();
        easy = curl_easy_init();
    }
    // The easy handle must not be on the multi handle any more.
    void Give(CURLM* multi, CURL* easy) {
        curl_easy_reset(easy);  // it keeps no pointer into the transfer that used it
        {
            std::lock_guard lock(m_Lock);
            if (m_Idle.size() < kMostIdleHandles) {
                m_Idle.push_back({multi, easy});
                return;
            }
        }
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
    }

private:
    struct Pair {
        CURLM* multi;
        CURL* easy;
    };
    std::mutex m_Lock;
    std::vector<Pair> m_Idle;  // guarded by m_Lock
};

uint32_t ErrorOf(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_INTERNET_TIMEOUT;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ERROR_INTERNET_INVALID_URL;
        case CURLE_ABORTED_BY_CALLBACK:
            return ERROR_INTERNET_OPERATION_CANCELLED;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            return ERROR_INTERNET_CONNECTION_RESET;
        case CURLE_SEND_FAIL_REWIND:
            // A kept connection closed before any reply byte came: libcurl would send the
            // request again on a new one, but a streamed body is the caller's to send.
            return ERROR_INTERNET_FORCE_RETRY;
        case CURLE_PARTIAL_FILE:
            return ERROR_INTERNET_CONNECTION_ABORTED;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
            return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_PEER_FAILED_VERIFICATION:
            return ERROR_INTERNET_INVALID_CA;
        case CURLE_SSL_CONNECT_ERROR:
            return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        default:
            return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

// A connection that died under a request: the peer reset or closed it.
bool IsDeadConnection(CURLcode code) {
    return code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
}

bool IsConnectionFailure(CURLcode code) {
    return code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
           code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_OPERATION_TIMEDOUT;
}

int StatusOf(const std::string& statusLine) {
    const size_t blank = statusLine.find(' ');
    if (blank == std::string::npos)
        return 0;
    int status = 0;
    for (size_t i = blank + 1; i < statusLine.size() && i < blank + 4; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9')
            return 0;
        status = status * 10 + (statusLine[i] - '0');
    }
    return status;
}

}  // namespace

// libcurl is initialised once and never cleaned up: a clean-up while another thread of
// the host program still uses libcurl would pull the ground from under it.
void InitTransport() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlTransfer::CurlTransfer(platform::Event* stop, platform::Event* shutdown)
    : m_Stop(stop), m_Shutdown(shutdown == stop ? nullptr : shutdown) {}

CurlTransfer::~CurlTransfer() {
    // No wake-up may reach the multi handle once it is gone.
    if (m_Listening) {
        for (platform::Event* event : {m_Stop, m_Shutdown})
            if (event)
                event->RemoveListener(this);
    }
    if (m_InMulti)
        curl_multi_remove_handle(m_Multi, m_Easy);
    if (m_Multi && m_Easy) {
        HandlePool::Instance().Give(m_Multi, m_Easy);
    } else {
        if (m_Easy)
            curl_easy_cleanup(m_Easy);
        if (m_Multi)
            curl_multi_cleanup(m_Multi);
    }
    curl_slist_free_all(m_HeaderList);
}

bool CurlTransfer::Init(const std::string& userAgent) {
    HandlePool::Instance().Take(m_Multi, m_Easy);
    if (!m_Multi || !m_Easy)
        return false;
    for (platform::Event* event : {m_Stop, m_Shutdown})
        if (event)
            event->AddListener(this);
    m_Listening = true;

    curl_easy_setopt(m_Easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_Easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(m_Easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(m_Easy, CURLOPT_UPLOAD_BUFFERSIZE, kUploadPiece);
    curl_easy_setopt(m_Easy, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(m_Easy, CURLOPT_READFUNCTION, &CurlTransfer::OnRead);
    curl_easy_setopt(m_Easy, CURLOPT_READDATA, this);
    curl_easy_setopt(m_Easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
    curl_easy_setopt(m_Easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_Easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
    curl_easy_setopt(m_Easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_Easy, CURLOPT_PREREQFUNCTION, &CurlTransfer::OnConnected);
    curl_easy_setopt(m_Easy, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(m_Easy, CURLOPT_MAXAGE_CONN, kMostIdleSeconds);
    return true;
}

bool CurlTransfer::Start(const std::string& verb, const std::string& url,
                         const std::vector<std::string>& headerLines, std::string head,
                         uint64_t total, const TransferOptions& options) {
    m_Options = options;
    m_RetriesLeft = std::max(options.connectRetries, 0);
    // "Expect:" keeps libcurl from waiting for a "100 Continue" before large bodies.
    m_HeaderList = curl_slist_append(nullptr, "Expect:");
    for (const std::string& line : headerLines)
        m_HeaderList = curl_slist_append(m_HeaderList, line.c_str());
    curl_easy_setopt(m_Easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_Easy, CURLOPT_HTTPHEADER, m_HeaderList);
    curl_easy_setopt(m_Easy, CURLOPT_CONNECTTIMEOUT_MS, long(options.timeoutMs));
    if (verb == "GET" && total == 0) {
        curl_easy_setopt(m_Easy, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(m_Easy, CURLOPT_POST, 1L);
        curl_easy_setopt(m_Easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(total));
        if (verb != "POST")
            curl_easy_setopt(m_Easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    if (!options.user.empty() || !options.password.empty()) {
        curl_easy_setopt(m_Easy, CURLOPT_USERNAME, options.user.c_str());
        curl_easy_setopt(m_Easy, CURLOPT_PASSWORD, options.password.c_str());
    }
    // A body streamed in pieces cannot be sent again by libcurl: unless the caller sends it
    // again itself, it goes out on a connection of its own, closed afterwards.
    const bool streamed = total > head.size();
    const bool ownConnection = streamed && !options.streamOnKeptConnection;
    curl_easy_setopt(m_Easy, CURLOPT_FRESH_CONNECT, long(ownConnection));
    curl_easy_setopt(m_Easy, CURLOPT_FORBID_REUSE, long(ownConnection));
    m_Upload.head = std::move(head);
    m_Upload.total = total;
    // A body given whole (an empty one too) is libcurl's to send: a small one goes out in
    // the same packet as the request head, so the service is woken once per request instead
    // of twice, and libcurl sends it again by itself when a kept connection turned out
    // closed before any reply byte came.
    m_Upload.whole = !streamed && !(verb == "GET" && total == 0);
    if (m_Upload.whole)
        curl_easy_setopt(m_Easy, CURLOPT_POSTFIELDS, m_Upload.head.data());
    if (!Launch())
        return false;
    // Sent once the request head and the given body bytes went out, even when the reply
    // already failed: that failure is the next step's to report.
    return Drive([this] {
        long requestBytes = 0;
        curl_easy_getinfo(m_Easy, CURLINFO_REQUEST_SIZE, &requestBytes);
        if (requestBytes > 0 && m_Upload.whole) {
            curl_off_t uploaded = 0;
            curl_easy_getinfo(m_Easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
            if (uint64_t(uploaded) >= m_Upload.total)
                return true;
        }
        const bool headOut = m_Upload.headAt == m_Upload.head.size();
        if (requestBytes > 0 && headOut && (m_Upload.handed == m_Upload.total || m_Upload.paused))
            return true;
        return m_Done && m_Result == CURLE_OK;  // answered before the body was asked for
    });
}

bool CurlTransfer::Launch() {
    if (curl_multi_add_handle(m_Multi, m_Easy) != CURLM_OK) {
        m_LastError = ERROR_INTERNET_INTERNAL_ERROR;
        return false;
    }
    m_InMulti = true;
    return true;
}

bool CurlTransfer::Write(const char* data, size_t size) {
    if (m_Aborted || m_Done)
        return Failed();
    m_Upload.piece = data;
    m_Upload.pieceSize = size;
    m_Upload.pieceAt = 0;
    const uint64_t sentWhenDone = m_Upload.handed + size;
    Resume();
    const bool sent = Drive([&] {
        curl_off_t uploaded = 0;
        curl_easy_getinfo(m_Easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        return m_Upload.pieceAt == size && uint64_t(uploaded) >= sentWhenDone;
    });
    // libcurl must never look at the caller's piece once this call returned.
    m_Upload.piece = nullptr;
    return sent;
}

bool CurlTransfer::FinishRequest() {
    if (m_Aborted)
        return false;
    return Drive([this] { return m_Head.complete || (m_Done && m_Result == CURLE_OK); });
}

bool CurlTransfer::Read(char* out, size_t capacity, size_t& length) {
    length = 0;
    if (m_Aborted)
        return false;
    m_Download.wanted = capacity;
    Resume();
    if (!Drive([&] { return m_Download.Unread() >= capacity || m_Done; }))
        return false;
    length = std::min(capacity, m_Download.Unread());
    if (length == 0 && m_Result != CURLE_OK) {
        Abort(ErrorOf(m_Result));  // the reply broke off
        return false;
    }
    if (length != 0)
        std::memcpy(out, m_Download.buffer.data() + m_Download.at, length);
    Consume(length);
    return true;
}

void CurlTransfer::Consume(size_t count) {
    m_Download.at += count;
    if (m_Download.at == m_Download.buffer.size()) {
        m_Download.buffer.clear();
        m_Download.at = 0;
    } else if (m_Download.at >= kCompactAt && m_Download.at * 2 >= m_Download.buffer.size()) {
        m_Download.buffer.erase(0, m_Download.at);
        m_Download.at = 0;
    }
}

void CurlTransfer::Abort(uint32_t error) {
    if (m_InMulti)
        curl_multi_remove_handle(m_Multi, m_Easy);
    m_InMulti = false;
    m_Upload.piece = nullptr;
    if (!m_Aborted)
        m_LastError = error;  // the first failure is the one callers act on
    m_Aborted = true;
}

bool CurlTransfer::StopRequested() const {
    return (m_Stop && m_Stop->IsSet()) || (m_Shutdown && m_Shutdown->IsSet());
}

void CurlTransfer::Notify() {
    curl_multi_wakeup(m_Multi);
}

// One blocking step: passes of libcurl's work until ready() holds, the transfer failed,
// the events asked to stop, or nothing moved for the time-out.
bool CurlTransfer::Drive(const std::function<bool()>& ready) {
    if (!m_InMulti)
        return Failed();
    auto lastMove = Clock::now();
    uint64_t seen = Activity();
    const auto timeout = std::chrono::milliseconds(m_Options.timeoutMs);
    for (;;) {
        if (StopRequested()) {
            Abort(ERROR_INTERNET_OPERATION_CANCELLED);
            return false;
        }
        int running = 0;
        if (curl_multi_perform(m_Multi, &running) != CURLM_OK) {
            Abort(ERROR_INTERNET_INTERNAL_ERROR);
            return false;
        }
        TakeResult();
        if (ready())
            return true;
        if (m_Done) {
            if (RetryConnection()) {
                lastMove = Clock::now();
                continue;
            }
            return Failed();
        }
        const auto now = Clock::now();
        if (const uint64_t moved = Activity(); moved != seen) {
            seen = moved;
            lastMove = now;
        } else if (m_Connected && now - lastMove >= timeout) {
            Abort(ERROR_INTERNET_TIMEOUT);
            return false;
        }
        curl_multi_poll(m_Multi, nullptr, 0, kPollMs, nullptr);
    }
}

void CurlTransfer::TakeResult() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_Multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_Easy) {
            m_Done = true;
            m_Result = message->data.result;
        }
    }
}

bool CurlTransfer::RetryConnection() {
    if (m_Connected || m_Upload.handed != 0 || m_RetriesLeft <= 0 ||
        !IsConnectionFailure(m_Result) || StopRequested())
        return false;
    --m_RetriesLeft;
    curl_multi_remove_handle(m_Multi, m_Easy);
    m_InMulti = false;
    m_Done = false;
    m_Result = CURLE_OK;
    m_Head = {};
    return Launch();
}

bool CurlTransfer::Failed() {
    if (!m_Aborted) {
        m_ConnectFailed = m_Done && !m_Connected && IsConnectionFailure(m_Result);
        Abort(m_Done && m_Result != CURLE_OK ? ErrorOfResult() : ERROR_INTERNET_CONNECTION_ABORTED);
    }
    return false;
}

// A streamed body whose kept connection died before any reply byte came is for the
// caller to send again: libcurl asks to (CURLE_SEND_FAIL_REWIND) when the connection
// closed or was reset while it awaited the reply, but not when it was reset while the
// body went out.
uint32_t CurlTransfer::ErrorOfResult() const {
    long connects = 0;
    curl_easy_getinfo(m_Easy, CURLINFO_NUM_CONNECTS, &connects);
    if (m_Options.streamOnKeptConnection && IsDeadConnection(m_Result) && connects == 0 &&
        m_Received == 0)
        return ERROR_INTERNET_FORCE_RETRY;
    return ErrorOf(m_Result);
}

uint64_t CurlTransfer::Activity() const {
    curl_off_t uploaded = 0;
    curl_easy_getinfo(m_Easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return m_Received + uint64_t(uploaded);
}

// Lets libcurl go on with whichever direction was paused and now has work.
void CurlTransfer::Resume() {
    const bool resumeSend = m_Upload.paused && m_Upload.piece;
    const bool resumeReceive =
        m_Download.paused && m_Download.Unread() < std::max(kReceiveWindow, m_Download.wanted);
    if (!resumeSend && !resumeReceive)
        return;
    if (resumeSend)
        m_Upload.paused = false;
    if (resumeReceive)
        m_Download.paused = false;
    const int stillPaused =
        (m_Upload.paused ? CURLPAUSE_SEND : 0) | (m_Download.paused ? CURLPAUSE_RECV : 0);
    curl_easy_pause(m_Easy, stillPaused);
}

size_t CurlTransfer::OnRead(char* buffer, size_t size, size_t count, void* self) {
    auto& upload = static_cast<CurlTransfer*>(self)->m_Upload;
    const size_t room = size * count;
    size_t filled = std::min(room, upload.head.size() - upload.headAt);
    std::memcpy(buffer, upload.head.data() + upload.headAt, filled);
    upload.headAt += filled;
    if (upload.piece && filled < room) {
        const size_t more = std::min(room - filled, upload.pieceSize - upload.pieceAt);
        std::memcpy(buffer + filled, upload.piece + upload.pieceAt, more);
        upload.pieceAt += more;
        filled += more;
    }
    if (filled == 0 && upload.handed < upload.total) {
        upload.paused = true;
        return CURL_READFUNC_PAUSE;
    }
    upload.handed += filled;
    return filled;
}

size_t CurlTransfer::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    auto& download = transfer->m_Download;
    const size_t bytes = size * count;
    if (download.Unread() >= std::max(kReceiveWindow, download.wanted)) {
        download.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    download.buffer.append(data, bytes);
    transfer->m_Received += bytes;
    return bytes;
}

size_t CurlTransfer::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    ReplyHead& head = transfer->m_Head;
    const size_t bytes = size * count;
    transfer->m_Received += bytes;
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.starts_with("HTTP/")) {
        head = {};
        head.status = StatusOf(line);
    } else if (line.empty()) {
        head.complete = head.status < 100 || head.status >= 200;  // a 1xx reply goes on
    } else if (head.bytes + line.size() <= kMaxHeadBytes) {
        head.bytes += line.size();
        head.lines.push_back(std::move(line));
    }
    return bytes;
}

int CurlTransfer::OnConnected(void* self, char*, char*, int, int) {
    static_cast<CurlTransfer*>(self)->m_Connected = true;
    return CURL_PREREQFUNC_OK;
}

}  // namespace net
