#include "engine_fixture.h"

#include <filesystem>
#include <sstream>

#include "json/json.h"
#include "net/http_request.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "tools/md5.h"
#include "upload/credentials.h"
#include "upload/driver.h"
#include "upload/engine_timings.h"
#include "upload/speed_limit.h"

namespace upload_test {
namespace {

// One member of a reply of a signed request; empty when it cannot be read.
std::string Member(const Script::JsonObject& reply, const char* name) {
    try {
        return reply.GetMember(name).GetValue()->GetString();
    } catch (...) {
        return {};
    }
}

std::unique_ptr<Script::JsonObject> PostSigned(const settings::ServiceHost& host,
                                               const std::u16string& path,
                                               const std::string& body) {
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, host);
    size_t length = 0;
    const net::ReplyBuffer reply =
        net::HTTPRequest(settings::GetHeaderText(), length, info, path, body);
    if (!reply)
        return nullptr;
    return std::unique_ptr<Script::JsonObject>(Script::Parse(reply.get(), int(length)));
}

}  // namespace

std::string Md5Of(const std::string& bytes) {
    return net_test::Md5HexOf(bytes);
}

void EngineTest::SetUp() {
    ServiceTest::SetUp();
    settings::WriteString(settings::kNorvelKey, settings::kApiHost, HostSetting());
    settings::DeleteValue(settings::kNorvelKey, settings::kLimitSpeed);
    upload::ResetUploadCredentials();
    upload::ForgetUploadSpeedLimit();
    upload::SetEngineTimings(
        {.resendWaitMs = 20, .folderRetryWaitMs = 10, .speedLimitRefreshMs = 0});
    UseBlocks(4096);
    LogIn("alice", "secret");
    m_Service->ClearRequests();
}

void EngineTest::TearDown() {
    upload::SetEngineTimings({});
    upload::ResetUploadCredentials();
    ServiceTest::TearDown();
}

void EngineTest::LogIn(const std::string& user, const std::string& password) {
    const settings::ServiceHost host = settings::GetApiHost();
    const auto init =
        PostSigned(host, u"/app/pc/user.init.php", "username=" + user + "&cid=" + m_ClientId);
    ASSERT_TRUE(init);
    const std::string crypt = Md5Of(password + Member(*init, "challenge"));
    const auto auth = PostSigned(host, u"/app/pc/user.auth.php",
                                 "crypt=" + crypt + "&captchaid=&captcha=&username=" + user +
                                     "&cid=" + m_ClientId + "&cname=PC01");
    ASSERT_TRUE(auth);
    ASSERT_EQ(Member(*auth, "login"), "true");
    m_Token = Member(*auth, "token");
    const Script::JsonObject& info = *auth->GetMember("userinfo").GetValue();
    m_Uid = Member(info, "uid");
    settings::SetToken(platform::Utf8ToWide(m_Token));
    settings::SetUserId(m_Uid);
    settings::SetMaxFileSize(platform::Utf8ToWide(Member(info, "maxfs")));
    settings::SetSpaceCapacity(platform::Utf8ToWide(Member(info, "spacecapacity")));
    settings::SetUsedSpace(u"0");
}

void EngineTest::UseBlocks(uint64_t blockSize, uint64_t segmentThreshold, uint64_t segmentSize) {
    ASSERT_TRUE(m_Service->SetSwitch("block_size", std::to_string(blockSize)));
    ASSERT_TRUE(m_Service->SetSwitch("segment_threshold", std::to_string(segmentThreshold)));
    ASSERT_TRUE(m_Service->SetSwitch("segment_size", std::to_string(segmentSize)));
}

std::u16string EngineTest::MakeFile(const std::string& relative, const std::string& bytes) {
    const std::string path = m_Dir.File(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    norvel::test::WriteFile(path, bytes);
    return platform::Utf8ToWide(path);
}

intake::RequestBatch EngineTest::MakeRequest(
    int32_t kind, std::initializer_list<std::pair<const char*, std::string>> files) {
    intake::RequestBatch request;
    for (const auto& [name, bytes] : files) {
        MakeFile(name, bytes);
        intake::UploadRequestEntry entry;
        EXPECT_TRUE(intake::MakeEntry(kind, Dir(), platform::Utf8ToWide(name), entry));
        request.push_back(entry);
    }
    return request;
}

void EngineTest::PointLinkHostsAtService() {
    for (auto name : {settings::kWebHost, settings::kDownloadHost})
        settings::WriteString(settings::kNorvelKey, name, HostSetting());
}

std::function<int(intake::UploadContext&)> EngineTest::DriverFailingBlocksOf(
    std::u16string fileName) {
    return [this, fileName = std::move(fileName)](intake::UploadContext& task) {
        const bool failing = task.m_FileName == fileName;
        if (failing)
            m_Service->SetFault(
                {.kind = "status", .path = "/up/up_blk", .count = 0, .status = 500});
        const int result = upload::UploadFile(task);
        if (failing)
            m_Service->ClearFaults();
        return result;
    };
}

std::unique_ptr<intake::UploadContext> EngineTest::MakeTask(const std::string& name, int32_t kind) {
    return intake::CreateUploadContext(Dir(), platform::Utf8ToWide(name), platform::kNoWindow,
                                       kind);
}

std::u16string EngineTest::Dir() const {
    return platform::Utf8ToWide(m_Dir.Path());
}

std::string EngineTest::StoredContent(const std::string& md5) const {
    if (md5.size() < 2)
        return {};
    const auto path = [&](const std::string& id) {
        return m_Service->DataDir() + "/content/" + id.substr(0, 2) + "/" + id;
    };
    if (std::filesystem::is_regular_file(path(md5)))
        return norvel::test::ReadFile(path(md5));
    // A file the service received in segments is stored as the list of its segments,
    // one "<md5> <size>" line each.
    std::istringstream parts(norvel::test::ReadFile(path(md5) + ".parts"));
    std::string content, part;
    uint64_t size = 0;
    while (parts >> part >> size)
        content += norvel::test::ReadFile(path(part));
    return content;
}

std::string EngineTest::RemoteMd5(const std::string& pathBelowRoot) const {
    const std::string wanted = "/我的网盘/我收到的文件" + pathBelowRoot;
    for (const auto& node : m_Service->Tree("alice"))
        if (node.count("path") && node.at("path") == wanted)
            return node.count("md5") ? node.at("md5") : std::string();
    return {};
}

uint64_t EngineTest::BlockBytesSent() {
    uint64_t bytes = 0;
    for (const auto& request : RequestsTo("/up/up_blk")) {
        // The content starts after the head's last blank line; the closing is the
        // delimiter line that ends the body.
        const size_t head = request.body.find("application/octet-stream\r\n\r\n");
        const size_t boundaryEnd = request.body.find("\r\n");
        if (head == std::string::npos || boundaryEnd == std::string::npos)
            continue;
        const size_t closing = boundaryEnd + 2 + 4;  // "\r\n" + delimiter + "--\r\n"
        bytes += request.bodySize - (head + 28) - closing;
    }
    return bytes;
}

}  // namespace upload_test
