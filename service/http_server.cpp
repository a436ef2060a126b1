#include "service/http_server.h"

#include <httplib.h>

#include <chrono>
#include <thread>

#include "platform/tcp.h"
#include "service/context.h"
#include "service/routes.h"

namespace norvel::service {
namespace {

constexpr size_t kFormLimit = 8 << 20;  // largest form or page body read whole
constexpr size_t kWorkerThreads = 48;
constexpr size_t kDownloadPiece = 256 << 10;

bool IsLoopback(const std::string& address) {
    return address == "127.0.0.1" || address == "::1" || address == "::ffff:127.0.0.1" ||
           address.rfind("127.", 0) == 0;
}

// Headers the library adds to every request itself; they were not received.
bool IsLibraryHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
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

// Reads the body through the library's reader, counting bytes, and stops reading when a
// stall fault says so.
class CReaderSource : public CBodySource {
public:
    CReaderSource(const httplib::Request& request, const httplib::ContentReader& reader, CRequest& logged)
        : m_Request(request), m_Reader(reader), m_Logged(logged) {}

    bool Read(const std::function<bool(const char*, size_t)>& sink) override {
        return m_Reader([&](const char* data, size_t length) {
            m_Received += length;
            if (m_Logged.body.size() < CRequestLog::kStreamCap)
                m_Logged.body.append(data, std::min(length, CRequestLog::kStreamCap - m_Logged.body.size()));
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

    uint64_t Received() const { return m_Received; }

private:
    const httplib::Request& m_Request;
    const httplib::ContentReader& m_Reader;
    CRequest& m_Logged;
    uint64_t m_Received = 0;
};

void ApplyReply(const CReply& reply, httplib::Response& res) {
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        res.set_header(name, value);
    if (reply.filePath.empty()) {
        res.set_content(reply.body, reply.contentType);
        return;
    }
    auto reader = std::make_shared<CFileReader>();
    if (!reader->Open(reply.filePath)) {
        res.status = 500;
        res.set_content(ErrorReply(500, Errno::kNotFound, "content missing").body, "application/json");
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

    void Handle(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader* reader);
    CReply Dispatch(const CRoute& route, const httplib::Request& req, CRequest& request,
                    const httplib::ContentReader* reader, const CFaultPlan& plan, bool& dropped);
    bool ReadWhole(const httplib::ContentReader& reader, CRequest& request, bool& tooLarge);
    void Drop(const httplib::Request& req);
};

void CHttpServer::Impl::Drop(const httplib::Request& req) {
    platform::AbortConnection(uint16_t(req.local_port), uint16_t(req.remote_port));
}

bool CHttpServer::Impl::ReadWhole(const httplib::ContentReader& reader, CRequest& request, bool& tooLarge) {
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

CReply CHttpServer::Impl::Dispatch(const CRoute& route, const httplib::Request& req, CRequest& request,
                                   const httplib::ContentReader* reader, const CFaultPlan& plan, bool& dropped) {
    if (plan.action && plan.action->kind == FaultKind::Stall && reader && HasBody(req)) {
        // Read the first bytes, then stop reading and hold the connection until the
        // client gives up or the hold time ends; then drop it.
        uint64_t seen = 0;
        const uint64_t after = uint64_t(plan.action->afterBytes);
        (*reader)([&](const char* data, size_t length) {
            request.body.append(data, std::min<size_t>(length, CRequestLog::kBodyCap - std::min(request.body.size(), CRequestLog::kBodyCap)));
            seen += length;
            return seen < after;
        });
        context.faults.Sleep(plan.action->holdMs);
        Drop(req);
        dropped = true;
        return {};
    }
    // The body is read before anything is answered, so that a refused client that is
    // still sending gets the answer rather than a reset connection.
    if (!route.stream && reader && HasBody(req)) {
        bool tooLarge = false;
        if (!ReadWhole(*reader, request, tooLarge))
            return tooLarge ? ErrorReply(413, Errno::kBadRequest, "request body too large")
                            : ErrorReply(400, Errno::kBadRequest, "request body could not be read");
    }
    if (route.access == Access::Signed && context.switches.requireSignatures &&
        !context.signing.Check(context.store, context.switches, request.Header("KDW-Auth"), CServiceContext::Now())) {
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
    if (plan.action && plan.action->kind == FaultKind::Close) {
        Drop(req);
        dropped = true;
    } else if (plan.action && plan.action->kind == FaultKind::Status) {
        reply = ErrorReply(plan.action->status, plan.action->status, "fault status");
    } else if (plan.action && plan.action->kind == FaultKind::Busy) {
        reply = ErrorReply(200, Errno::kBusy, "service busy");
    } else if (!route) {
        reply = ErrorReply(404, Errno::kNotFound, "no such endpoint");
    } else {
        try {
            reply = Dispatch(*route, req, request, reader, plan, dropped);
        } catch (const std::exception& error) {
            reply = ErrorReply(500, Errno::kBusy, std::string("internal error: ") + error.what());
        }
    }
    if (!admin) {
        CLoggedRequest entry;
        entry.time = CServiceContext::Now();
        entry.method = request.method;
        entry.target = request.target;
        entry.path = request.path;
        entry.headers = request.headers;
        entry.bodySize = request.body.size();
        entry.body = std::move(request.body);
        entry.status = dropped ? 0 : reply.status;
        if (reader && req.has_header("Content-Length"))
            entry.bodySize = std::max<uint64_t>(entry.bodySize, std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10));
        context.log.Add(std::move(entry));
    }
    if (!dropped)
        ApplyReply(reply, res);
}

CHttpServer::CHttpServer(CServiceContext& context) : m_Impl(std::make_unique<Impl>(context)) {
    httplib::Server& server = m_Impl->server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(60);
    server.set_write_timeout(60);
    server.set_tcp_nodelay(true);
    Impl* impl = m_Impl.get();
    server.Get(".*", [impl](const httplib::Request& req, httplib::Response& res) { impl->Handle(req, res, nullptr); });
    server.Post(".*", [impl](const httplib::Request& req, httplib::Response& res,
                             const httplib::ContentReader& reader) { impl->Handle(req, res, &reader); });
}

CHttpServer::~CHttpServer() = default;

int CHttpServer::Bind(const std::string& host, int port) {
    if (port == 0)
        return m_Impl->server.bind_to_any_port(host);
    return m_Impl->server.bind_to_port(host, port) ? port : -1;
}

bool CHttpServer::Run() { return m_Impl->server.listen_after_bind(); }

void CHttpServer::Stop() {
    m_Impl->context.faults.Shutdown();
    // The listening loop may still be starting; stop() only acts on a running server.
    for (int i = 0; i < 400 && !m_Impl->server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_Impl->server.stop();
}

}  // namespace norvel::service
