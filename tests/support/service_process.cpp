#include "support/service_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "platform/child_process.h"
#include "service/form.h"
#include "service/json_value.h"
#include "support/test_env.h"

namespace norvel::test {
namespace {

constexpr uint32_t kStartTimeoutMs = 10000;
constexpr uint32_t kStopTimeoutMs = 5000;

std::string NewDataDir() {
    std::string pattern =
        (TestRoot().empty() ? std::string("/tmp") : TestRoot()) + "/service-XXXXXX";
    if (!mkdtemp(pattern.data()))
        ADD_FAILURE() << "cannot create a data folder for the service";
    return pattern;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// The scalar members of an item that have one of the names.
JsonRecord Scalars(const service::CJsonValue& item, std::initializer_list<const char*> names) {
    JsonRecord record;
    for (const char* name : names)
        if (const auto value = item.Find(name); value && !value->IsObject() && !value->IsArray())
            record[name] = value->Scalar();
    return record;
}

std::string Encode(const std::string& text) {
    return service::UrlEncode(text);
}

}  // namespace

std::string LoggedRequest::Header(const std::string& name) const {
    HttpResponse lookup;
    lookup.headers = headers;
    return lookup.Header(name);
}

ServiceProcess::ServiceProcess() : ServiceProcess(NewDataDir()) {}

ServiceProcess::ServiceProcess(std::string dataDir) : m_DataDir(std::move(dataDir)) {
    if (!Start())
        ADD_FAILURE() << "the service did not start (" << NORVEL_SERVICE_BINARY << ")";
}

ServiceProcess::~ServiceProcess() {
    Stop();
}

bool ServiceProcess::Start() {
    m_Process = std::make_unique<platform::ChildProcess>();
    if (!m_Process->Start(NORVEL_SERVICE_BINARY, {"--data", m_DataDir, "--listen", "127.0.0.1:0"}))
        return false;
    const auto line = m_Process->ReadLine(kStartTimeoutMs);
    if (!line || line->empty())
        return false;
    m_Port = std::stoi(*line);
    return WaitUntilAnswering();
}

bool ServiceProcess::WaitUntilAnswering() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Get("/_admin/health").status == 200)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

const char* ServiceProcess::BinaryPath() {
    return NORVEL_SERVICE_BINARY;
}

bool ServiceProcess::Running() const {
    return m_Process && m_Process->Running();
}

int ServiceProcess::Stop() {
    if (!m_Process)
        return -1;
    const int status = m_Process->Stop(kStopTimeoutMs);
    m_Process.reset();
    return status;
}

bool ServiceProcess::Restart() {
    Stop();
    return Start();
}

HttpResponse ServiceProcess::Get(const std::string& target) {
    HttpRequest request;
    request.method = "GET";
    request.port = m_Port;
    request.target = target;
    return SendHttp(request);
}

HttpResponse ServiceProcess::Post(const std::string& target, const std::string& body,
                                  std::vector<std::string> headers) {
    HttpRequest request;
    request.port = m_Port;
    request.target = target;
    request.body = body;
    request.headers = std::move(headers);
    return SendHttp(request);
}

bool ServiceProcess::AddUser(const std::string& name, const std::string& password, int64_t space,
                             int64_t maxfs, const std::string& level) {
    std::string body = "name=" + Encode(name) + "&password=" + Encode(password);
    if (space >= 0)
        body += "&space=" + std::to_string(space);
    if (maxfs >= 0)
        body += "&maxfs=" + std::to_string(maxfs);
    if (!level.empty())
        body += "&level=" + Encode(level);
    return Post("/_admin/users", body).status == 200;
}

std::vector<LoggedRequest> ServiceProcess::Requests(int64_t afterSeq) {
    std::vector<LoggedRequest> out;
    const auto reply =
        service::CJsonValue::Parse(Get("/_admin/requests?after=" + std::to_string(afterSeq)).body);
    const auto list = reply ? reply->Find("requests") : std::nullopt;
    if (!list)
        return out;
    for (const service::CJsonValue& item : list->Elements()) {
        LoggedRequest entry;
        entry.seq = std::stoll(item.Text("seq"));
        entry.method = item.Text("method");
        entry.target = item.Text("target");
        entry.path = item.Text("path");
        entry.body = FromHex(item.Text("body_hex"));
        entry.bodySize = std::stoull(item.Text("body_size"));
        entry.status = std::stoi(item.Text("status"));
        if (const auto headers = item.Find("headers"))
            for (const service::CJsonValue& header : headers->Elements())
                entry.headers.emplace_back(header.Text("name"), header.Text("value"));
        out.push_back(std::move(entry));
    }
    return out;
}

void ServiceProcess::ClearRequests() {
    Post("/_admin/requests/clear", "");
}

bool ServiceProcess::SetFault(const ServiceFault& fault) {
    const std::string body =
        "kind=" + Encode(fault.kind) + "&path=" + Encode(fault.path) +
        "&count=" + std::to_string(fault.count) + "&ms=" + std::to_string(fault.ms) +
        "&status=" + std::to_string(fault.status) + "&after=" + std::to_string(fault.after);
    return Post("/_admin/fault", body).status == 200;
}

bool ServiceProcess::ClearFaults() {
    return Post("/_admin/faults/clear", "").status == 200;
}

bool ServiceProcess::SetSwitch(const std::string& name, const std::string& value) {
    return Post("/_admin/switch", Encode(name) + "=" + Encode(value)).status == 200;
}

bool ServiceProcess::ExpireTokens(const std::string& username) {
    return Post("/_admin/expire_tokens", username.empty() ? "" : "username=" + Encode(username))
               .status == 200;
}

bool ServiceProcess::DemandNonce() {
    return Post("/_admin/demand_nonce", "").status == 200;
}

std::string ServiceProcess::CaptchaText(const std::string& username) {
    const auto reply =
        service::CJsonValue::Parse(Get("/_admin/captcha?username=" + Encode(username)).body);
    return reply ? reply->Text("text") : std::string();
}

int64_t ServiceProcess::JoinReadBack() {
    const auto reply = service::CJsonValue::Parse(Get("/_admin/joins").body);
    const std::string text = reply ? reply->Text("read_back") : std::string();
    return text.empty() ? -1 : std::stoll(text);
}

std::vector<JsonRecord> ServiceProcess::AdminList(const std::string& target,
                                                  const std::string& member,
                                                  std::initializer_list<const char*> names) {
    std::vector<JsonRecord> out;
    const auto reply = service::CJsonValue::Parse(Get(target).body);
    if (const auto list = reply ? reply->Find(member) : std::nullopt)
        for (const service::CJsonValue& item : list->Elements())
            out.push_back(Scalars(item, names));
    return out;
}

std::vector<JsonRecord> ServiceProcess::Stats() {
    return AdminList("/_admin/stats", "stats",
                     {"time", "source", "cid", "uid", "token", "opt", "valid"});
}
std::vector<JsonRecord> ServiceProcess::Posts() {
    return AdminList("/_admin/posts", "posts",
                     {"uid", "username", "msgid", "content", "pic", "resource_url", "time"});
}
std::vector<JsonRecord> ServiceProcess::Tree(const std::string& username) {
    return AdminList("/_admin/tree?username=" + Encode(username), "nodes",
                     {"path", "folder", "md5", "size", "ctime", "mtime", "url"});
}

}  // namespace norvel::test
