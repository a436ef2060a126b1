#include "service/http_server.h"

#include <httplib.h>

#include <chrono>
#include <thread>

#include "platform/tcp.h"
#include "service/content_reader.h"
#include "service/context.h"
#include "service/routes.h"

namespace norvel::service {
namespace {

constexpr size_t kFormLimit = 8 << 20;  // largest form or page body read whole
constexpr size_t kWorkerThreads = 48;
// Requests one connection may carry: a client keeps its connection between the requests
// and blocks of an upload.
constexpr size_t kRequestsPerConnection = 10000;
constexpr size_t kDownloadPiece = 256 << 10;
constexpr uint64_t kDrainLimit = 80 << 20;  // body bytes read and dropped before a fault's answer

// Keeps the first `cap` bytes of a body for the request log.
void Capture(std::string& kept, const char* data, size_t length, size_t cap) {
    if (kept.size() < cap)
        kept.append(data, std::min(length, cap - kept.size()));
}

bool IsLoopback(const std::string& address) {
    return address == "127.0.0.1" || address == "::1" || address == "::ffff:127.0.0.1" ||
           address.rfind("127.", 0) == 0;
}

// Headers the library adds to every request itself; they were not received.
bool IsLibraryHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

bool HasBody(const httplib::Request& req) {
    return req.has_header("Content-Length") || req.has_header("Transfer-Encoding");
}

CRequest MakeRequest(const httplib::Request& in) {
    CRequest out;
    out.method = in.method;
    out.target = in.target;
    out.path = NormalisePath(in.path);
    for (const auto& [name, value] : in.headers)
        if (!IsLibraryHeader(name))
            out.headers.emplace_back(name, value);
    for (const auto& [name, value] : in.params)
        out.query.emplace(name, value);
    out.remoteAddr = in.remote_addr;
    out.remotePort = in.remote_port;
    return out;
}

// Hands the body to a streaming handler, keeping its first bytes for the request log.
class CReaderSource : public CBodySource {
public:
    CReaderSource(const httplib::Request& request, const httplib::ContentReader& reader,
                  CRequest& logged)
        : m_Request(request), m_Reader(reader), m_Logged(logged) {}

    bool Read(const std::function<bool(const char*, size_t)>& sink) override {
        return m_Reader([&](const char* data, size_t length) {
            Capture(m_Logged.body, data, length, CRequestLog::kStreamCap);
            return sink(data, length);
        });
    }

    std::optional<uint64_t> DeclaredLength() const override {
        if (!m_Request.has_header("Content-Length"))
            return std::nullopt;
        try {
            return std::stoull(m_Request.get_header_value("Content-Length"));
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

private:
    const httplib::Request& m_Request;
    const httplib::ContentReader& m_Reader;
    CRequest& m_Logged;
};

void ApplyReply(const CReply& reply, httplib::Response& res) {
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        res.set_header(name, value);
    if (reply.filePieces.empty()) {
        res.set_content(reply.body, reply.contentType);
        return;
    }
    auto reader = std::make_shared<CContentReader>();
    if (!reader->Open(reply.filePieces)) {
        res.status = 500;
        res.set_content(ErrorReply(500, Errno::kNotFound, "content missing").body,
                        "application/json");
        return;
    }
    res.set_content_provider(reply.fileSize, reply.contentType,
                             [reader](size_t, size_t length, httplib::DataSink& sink) {
                                 std::vector<char> buffer(std::min(length, kDownloadPiece));
                                 const size_t got = reader->Read(buffer.data(), buffer.size());
                                 return got > 0 && sink.write(buffer.data(), got);
                             });
}

}  // namespace

struct CHttpServer::Impl {
    explicit Impl(CServiceContext& context) : context(context) {}

    CServiceContext& context;
    httplib::Server server;

    void Handle(const httplib::Request& req, httplib::Response& res,
                const httplib::ContentReader* reader);
    CReply Dispatch(const CRoute& route, const httplib::Request& req, CRequest& request,
                    const httplib::ContentReader* reader);
    bool ReadWhole(const httplib::ContentReader& reader, CRequest& request, bool& tooLarge);
    void Drain(const httplib::Request& req, const httplib::ContentReader* reader, CRequest& request,
               uint64_t limit);
    CReply ApplyFault(const CFault& fault, const httplib::Request& req,
                      const httplib::ContentReader* reader, CRequest& request, bool& dropped);
    void Log(const httplib::Request& req, CRequest& request, int status);
    void Drop(const httplib::Request& req);
};

// Reads the body (up to limit bytes) and drops it, keeping its start for the log.
void CHttpServer::Impl::Drain(const httplib::Request& req, const httplib::ContentReader* reader,
                              CRequest& request, uint64_t limit) {
    if (!reader || !HasBody(req))
        return;
    uint64_t seen = 0;
    (*reader)([&](const char* data, size_t length) {
        Capture(request.body, data, length, CRequestLog::kBodyCap);
        seen += length;
        return seen < limit;
    });
}

// The answer of a fault that replaces the handling of a request; `dropped` when the
// connection is to be reset without an answer instead.
CReply CHttpServer::Impl::ApplyFault(const CFault& fault, const httplib::Request& req,
                                     const httplib::ContentReader* reader, CRequest& request,
                                     bool& dropped) {
    switch (fault.kind) {
        case FaultKind::Close:
            dropped = true;
            return {};
        case FaultKind::Stall:
            // Reads the first bytes, then stops reading and holds the connection until
            // the client gives up or the hold time ends; then resets it.
            Drain(req, reader, request, uint64_t(fault.afterBytes));
            context.faults.Sleep(fault.holdMs);
            dropped = true;
            return {};
        case FaultKind::Status:
            // The body is read first, so that a client still sending gets the answer.
            Drain(req, reader, request, kDrainLimit);
            return ErrorReply(fault.status, fault.status, "fault status");
        case FaultKind::Busy:
            Drain(req, reader, request, kDrainLimit);
            return ErrorReply(200, Errno::kBusy, "service busy");
        case FaultKind::Delay:
            break;
    }
    return {};
}

void CHttpServer::Impl::Log(const httplib::Request& req, CRequest& request, int status) {
    CLoggedRequest entry;
    entry.time = CServiceContext::Now();
    entry.method = request.method;
    entry.target = request.target;
    entry.path = request.path;
    entry.headers = request.headers;
    entry.bodySize = request.body.size();
    if (req.has_header("Content-Length"))
        entry.bodySize = std::max<uint64_t>(
            entry.bodySize,
            std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10));
    entry.body = std::move(request.body);
    entry.status = status;
    context.log.Add(std::move(entry));
}

void CHttpServer::Impl::Drop(const httplib::Request& req) {
    platform::AbortConnection(uint16_t(req.local_port), uint16_t(req.remote_port));
}

bool CHttpServer::Impl::ReadWhole(const httplib::ContentReader& reader, CRequest& request,
                                  bool& tooLarge) {
    tooLarge = false;
    return reader([&](const char* data, size_t length) {
        if (request.body.size() + length > kFormLimit) {
            tooLarge = true;
            return false;
        }
        request.body.append(data, length);
        return true;
    });
}

CReply CHttpServer::Impl::Dispatch(const CRoute& route, const httplib::Request& req,
                                   CRequest& request, const httplib::ContentReader* reader) {
    // The body is read before anything is answered, so that a refused client that is
    // still sending gets the answer rather than a reset connection.
    if (!route.stream && reader && HasBody(req)) {
        bool tooLarge = false;
        if (!ReadWhole(*reader, request, tooLarge))
            return tooLarge ? ErrorReply(413, Errno::kBadRequest, "request body too large")
                            : ErrorReply(400, Errno::kBadRequest, "request body could not be read");
    }
    if (route.access == Access::Signed && context.switches.requireSignatures &&
        !context.signing.Check(context.store, context.switches, request.Header("KDW-Auth"),
                               CServiceContext::Now())) {
        CReply reply = ErrorReply(401, 401, "signature required");
        reply.headers.emplace_back("KDW-Auth", context.signing.Challenge());
        return reply;
    }
    if (route.stream && reader && HasBody(req)) {
        CReaderSource source(req, *reader, request);
        return route.stream(context, request, source);
    }
    if (route.stream)
        return ErrorReply(400, Errno::kBadRequest, "request body missing");
    if (route.form) {
        const auto form = CForm::Parse(request.body);
        if (!form)
            return ErrorReply(400, Errno::kBadRequest, "malformed form body");
        return route.form(context, request, *form);
    }
    return route.page(context, request);
}

void CHttpServer::Impl::Handle(const httplib::Request& req, httplib::Response& res,
                               const httplib::ContentReader* reader) {
    CRequest request = MakeRequest(req);
    const auto route = FindRoute(req.method, request.path);
    const bool admin = route && route->access == Access::Admin;
    if (admin && !IsLoopback(req.remote_addr)) {
        ApplyReply(ErrorReply(403, Errno::kRefused, "admin requests only from this machine"), res);
        return;
    }
    const CFaultPlan plan = admin ? CFaultPlan() : context.faults.Take(request.path);
    if (plan.delayMs > 0)
        context.faults.Sleep(plan.delayMs);
    CReply reply;
    bool dropped = false;
    if (plan.action) {
        reply = ApplyFault(*plan.action, req, reader, request, dropped);
    } else if (!route) {
        reply = ErrorReply(404, Errno::kNotFound, "no such endpoint");
    } else {
        try {
            reply = Dispatch(*route, req, request, reader);
        } catch (const std::exception& error) {
            reply = ErrorReply(500, Errno::kBusy, std::string("internal error: ") + error.what());
        }
    }
    // Logged before the connection is reset: a client that reconnects at once must not
    // find its next request logged ahead of the dropped one.
    if (!admin)
        Log(req, request, dropped ? 0 : reply.status);
    if (dropped)
        Drop(req);
    else
        ApplyReply(reply, res);
}

CHttpServer::CHttpServer(CServiceContext& context) : m_Impl(std::make_unique<Impl>(context)) {
    httplib::Server& server = m_Impl->server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(kRequestsPerConnection);
    server.set_read_timeout(60);
    server.set_write_timeout(60);
    server.set_tcp_nodelay(true);
    Impl* impl = m_Impl.get();
    server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) {
        impl->Handle(req, res, nullptr);
    });
    server.Post(".*",
                [impl](const httplib::Request& req, httplib::Response& res,
                       const httplib::ContentReader& reader) { impl->Handle(req, res, &reader); });
}

CHttpServer::~CHttpServer() = default;

int CHttpServer::Bind(const std::string& host, int port) {
    if (port == 0)
        return m_Impl->server.bind_to_any_port(host);
    return m_Impl->server.bind_to_port(host, port) ? port : -1;
}

bool CHttpServer::Run() {
    return m_Impl->server.listen_after_bind();
}

void CHttpServer::Stop() {
    m_Impl->context.faults.Shutdown();
    // The listening loop may still be starting; stop() only acts on a running server.
    for (int i = 0; i < 400 && !m_Impl->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_Impl->server.stop();
}

}  // namespace norvel::service
