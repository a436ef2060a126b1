#pragma once

// Starts the substitute service (norvel-service) for a test: a fresh data folder below
// TestRoot(), 127.0.0.1 on a free port, ready when the constructor returns. Offers the
// address, accounts and the admin requests (request log, faults, switches, captchas,
// statistics, posts). The destructor stops the service with SIGTERM (killing it after a
// time-out).
//
//   norvel::test::ServiceProcess service;
//   service.AddUser("alice", "secret");
//   service.SetFault({.kind = "status", .path = "/up/up_blk", .count = 1, .status = 500});
//   ... point the client at service.HostPort() ...
//   for (const auto& request : service.Requests()) ...

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/http_client.h"

namespace platform {
class ChildProcess;
}

namespace norvel::test {

struct LoggedRequest {
    int64_t seq = 0;
    std::string method;
    std::string target;  // as it stood in the request line
    std::string path;    // decoded, "/" first, no trailing blank
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // as received (at most 1 MiB)
    uint64_t bodySize = 0;
    int status = 0;  // 0 when the connection was dropped by a fault

    std::string Header(const std::string& name) const;
};

// A fault for the next `count` requests of a path (count 0: until cleared).
// kind: "delay" (ms), "status" (status), "close", "stall" (after bytes, held ms), "busy".
struct ServiceFault {
    std::string kind;
    std::string path;
    int count = 1;
    int64_t ms = 0;
    int status = 500;
    int64_t after = 0;
};

using JsonRecord = std::map<std::string, std::string>;  // the scalar members of one item

class ServiceProcess {
public:
    // Starts on a fresh data folder.
    ServiceProcess();
    // Starts on an existing data folder (to see that data survives a restart).
    explicit ServiceProcess(std::string dataDir);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // The norvel-service program these tests start.
    static const char* BinaryPath();

    bool Running() const;
    int Port() const { return m_Port; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(m_Port); }
    std::string BaseUrl() const { return "http://" + HostPort(); }
    const std::string& DataDir() const { return m_DataDir; }

    // Stops with SIGTERM; the exit status (-1 when it had to be killed).
    int Stop();
    // Stops and starts again on the same data folder (the port changes).
    bool Restart();

    // Adds an account (space, maxfs in bytes; negative keeps the defaults).
    bool AddUser(const std::string& name, const std::string& password, int64_t space = -1,
                 int64_t maxfs = -1, const std::string& level = {});

    std::vector<LoggedRequest> Requests(int64_t afterSeq = 0);
    void ClearRequests();
    bool SetFault(const ServiceFault& fault);
    bool ClearFaults();
    // Admin switch names: block_size, segment_threshold, segment_size, nonce_every,
    // reject_signatures, force_captcha, require_signatures, proof, created_tolerance.
    bool SetSwitch(const std::string& name, const std::string& value);
    bool ExpireTokens(const std::string& username = {});
    bool DemandNonce();
    // The text of the newest captcha of a user; empty when none.
    std::string CaptchaText(const std::string& username);
    std::vector<JsonRecord> Stats();
    std::vector<JsonRecord> Posts();
    std::vector<JsonRecord> Tree(const std::string& username);
    // Bytes of stored segments read back to take whole-file digests so far; -1 on failure.
    int64_t JoinReadBack();

    // A request to this service (target as sent, e.g. "/app/pc/user.info.php").
    HttpResponse Get(const std::string& target);
    HttpResponse Post(const std::string& target, const std::string& body,
                      std::vector<std::string> headers = {});

private:
    bool Start();
    bool WaitUntilAnswering();
    // The items of a list member of an admin reply, with the scalar members named.
    std::vector<JsonRecord> AdminList(const std::string& target, const std::string& member,
                                      std::initializer_list<const char*> names);

    std::string m_DataDir;
    std::unique_ptr<platform::ChildProcess> m_Process;
    int m_Port = 0;
};

}  // namespace norvel::test
