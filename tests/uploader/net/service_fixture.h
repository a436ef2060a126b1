#pragma once

#include <memory>
#include <string>

#include "net_test_support.h"
#include "support/service_process.h"

namespace net_test {

// A fresh substitute service with the account alice, and this client registered with it
// (client id and secret stored in the settings, as the client-identity handshake leaves
// them). The service's nonce is still empty on the client's side.
class ServiceTest : public NetTest {
protected:
    void SetUp() override;

    // The service as a configured host.
    std::u16string HostSetting() const { return Wide(m_Service->HostPort()); }
    // The requests the service logged for that path (decoded, "/" first).
    std::vector<norvel::test::LoggedRequest> RequestsTo(const std::string& path);

    std::unique_ptr<norvel::test::ServiceProcess> m_Service;
    std::string m_ClientId;
};

}  // namespace net_test
