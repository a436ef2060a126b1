#include "service_fixture.h"

#include "json/json.h"
#include "net/http_request.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace net_test {
namespace {

std::string Member(const net::ReplyBuffer& reply, size_t length, const char* name) {
    const std::unique_ptr<Script::JsonObject> parsed(Script::Parse(reply.get(), int(length)));
    return parsed->GetMember(name).GetValue()->GetString();
}

}  // namespace

void ServiceTest::SetUp() {
    NetTest::SetUp();
    m_Service = std::make_unique<norvel::test::ServiceProcess>();
    ASSERT_TRUE(m_Service->AddUser("alice", "secret"));
    // The client-identity handshake, over the request layer itself.
    net::HttpRequestInfo info;
    net::InitRequestInfo(info, u"127.0.0.1", uint16_t(m_Service->Port()));
    size_t length = 0;
    const net::ReplyBuffer init =
        net::HTTPRequest(u"", length, info, u"/app/pc/clientid.init.php", std::nullopt);
    ASSERT_TRUE(init);
    const std::string seed = Member(init, length, "seed");
    const std::string secret = Member(init, length, "secret");
    m_ClientId = Md5HexOf(seed + secret);
    const std::string body = "cid=" + m_ClientId + "&secret=" + secret;
    const net::ReplyBuffer auth =
        net::HTTPRequest(u"", length, info, u"/app/pc/clientid.auth.php", body);
    ASSERT_EQ(info.m_StatusCode, 200);
    settings::WriteString(settings::kNorvelKey, settings::kClientId, Wide(m_ClientId));
    settings::WriteString(settings::kNorvelKey, settings::kClientSecret, Wide(secret));
    settings::ResetCaches();
    m_Service->ClearRequests();
}

std::vector<norvel::test::LoggedRequest> ServiceTest::RequestsTo(const std::string& path) {
    std::vector<norvel::test::LoggedRequest> found;
    for (auto& request : m_Service->Requests())
        if (request.path == path)
            found.push_back(std::move(request));
    return found;
}

}  // namespace net_test
