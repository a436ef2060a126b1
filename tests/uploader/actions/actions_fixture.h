#pragma once

// The account actions against the substitute service: every host setting names the
// service, the client has no identity yet, and the service has the account alice.

#include <memory>
#include <string>
#include <vector>

#include "support/service_process.h"
#include "uploader/net/net_test_support.h"

namespace actions_test {

inline constexpr char kPassword[] = "pa55word";

class ActionsTest : public net_test::NetTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // EnsureClientIdentity, then the login of alice; true when both succeeded.
    bool LogInAlice();
    // The requests the service logged for that path (decoded, "/" first), and the bodies
    // of those that were not refused for the nonce (401).
    std::vector<norvel::test::LoggedRequest> RequestsTo(const std::string& path);
    std::vector<std::string> BodiesTo(const std::string& path);
    // Points every host setting at 127.0.0.1:port (a scripted server).
    static void UseHostPort(const std::string& hostPort);

    std::unique_ptr<norvel::test::ServiceProcess> m_Service;
};

// Records the addresses that the actions open in the browser (NORVEL_OPEN_URL).
class OpenedUrls {
public:
    OpenedUrls();
    ~OpenedUrls();
    // Waits (at most ten seconds) until count addresses were opened; all of them, in order.
    std::vector<std::string> Wait(size_t count) const;

private:
    std::string m_Dir;
    std::string m_File;
};

}  // namespace actions_test
