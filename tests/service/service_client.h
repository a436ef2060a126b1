#pragma once

// The client's side of the service API, written for the tests from the protocol rules
// (independently of the service's code): signed requests with the nonce retry, client
// identity, login, upload authorization, and the upload dialogue with its exact form and
// multipart bodies.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/json_value.h"
#include "support/service_process.h"

namespace norvel::test {

// The JSON object of a reply body; an empty object when it is none.
service::CJsonValue ReplyJson(const HttpResponse& response);
std::string Md5(const std::string& bytes);

class CTestClient {
public:
    explicit CTestClient(ServiceProcess& service) : m_Service(service) {}

    // clientid.init + clientid.auth; the identity signs the requests after it.
    bool Register();
    // A request signed with KDW-Auth, repeated once with the nonce of a 401 reply.
    HttpResponse Call(const std::string& target, const std::string& body);
    // One signed request, no repetition.
    HttpResponse CallOnce(const std::string& target, const std::string& body);
    // user.init + user.auth; true when logged in (token and uid kept).
    bool Login(const std::string& user, const std::string& password);

    struct Ticket {
        std::string tstr, secret, host;
    };
    // sync.upauth (account) or anon.upauth (cname given).
    std::optional<Ticket> Authorize(const std::string& cname = {});

    std::string cid, secret, nonce, token, uid, user;
    int64_t createdOffset = 0;  // seconds added to "Created"

private:
    ServiceProcess& m_Service;
};

struct CSegmentEntry {
    std::string fileId;
    uint64_t start = 0, end = 0;
    std::string Range() const { return std::to_string(start) + "-" + std::to_string(end); }
};

// One file's upload dialogue against the service's upload host.
class CUploadDriver {
public:
    CUploadDriver(ServiceProcess& service, CTestClient::Ticket ticket, std::string name,
                  std::string content)
        : m_Service(service),
          m_Ticket(std::move(ticket)),
          m_Name(std::move(name)),
          m_Content(std::move(content)) {}

    // The control bodies and the block body, exactly as the protocol lays them out.
    std::string InitBody(const std::string& ts) const;
    std::string FastBody(const std::string& ts, const std::string& segId,
                         const std::string& range) const;
    std::string SegInfoBody(const std::string& ts) const;
    std::string BlockBody(const std::string& ts, const std::string& segId, const std::string& range,
                          const std::string& boundary) const;

    HttpResponse Init();
    HttpResponse Fast(const std::string& segId, const std::string& range);
    HttpResponse SegInfo(uint64_t segSize);
    HttpResponse Block(const std::string& segId, const std::string& range);

    // The whole dialogue as the client drives it; the commands seen, in order.
    struct Result {
        bool finished = false;
        std::string path;
        long failStatus = 0;
        std::vector<std::string> commands;
        std::vector<std::string> blockRanges;  // "segId:range" of each block sent
    };
    Result Run(int maxRequests = 1000);

    std::string keyOverride;  // when set, sent instead of the computed kdw_key
    std::string fileId;       // defaults to the content's MD5
    std::vector<CSegmentEntry> segments;
    std::string tsOverride;

private:
    std::string Ts() const;
    std::string Key(int kind, const std::string& ts, const std::string& segId,
                    const std::string& range) const;
    uint64_t SegSize(const std::string& segId) const;
    uint64_t SegStart(const std::string& segId) const;
    HttpResponse Send(const std::string& target, const std::string& body,
                      const std::string& contentType);

    ServiceProcess& m_Service;
    CTestClient::Ticket m_Ticket;
    std::string m_Name;
    std::string m_Content;
};

// A running service with the account alice (password pa55word) and a registered client.
class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(service.Running());
        ASSERT_TRUE(service.AddUser("alice", "pa55word"));
        ASSERT_TRUE(client.Register());
    }
    bool LoginAlice() { return client.Login("alice", "pa55word"); }

    ServiceProcess service;
    CTestClient client{service};
};

}  // namespace norvel::test
