// Five upload workers and a login thread sign and send at once: the nonce and every
// shared text they read are guarded (ThreadSanitizer runs this suite), and every line is
// consistent with the nonce it names.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "net/auth_header.h"
#include "net/http_request.h"
#include "service_fixture.h"
#include "settings/settings.h"

namespace {

constexpr int kWorkers = 5;

std::string FieldOf(const std::string& line, const std::string& name) {
    const size_t start = line.find(name + "=") + name.size() + 1;
    return line.substr(start, line.find_first_of(",\r", start) - start);
}

class SigningConcurrency : public net_test::NetTest {};
class RequestsConcurrency : public net_test::ServiceTest {};

}  // namespace

TEST_F(SigningConcurrency, EveryLineIsSignedWithTheNonceItNames) {
    std::atomic<bool> done{false};
    std::atomic<int> inconsistent{0};
    std::vector<std::thread> threads;
    for (int worker = 0; worker < kWorkers; ++worker) {
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                const std::u16string block =
                    net::AddAuthHeader(settings::GetHeaderText(), 1316001600 + i);
                const std::string line(block.begin() + block.find(u"KDW-Auth"), block.end());
                const std::string nonce = FieldOf(line, "Nonce");
                const std::string created = FieldOf(line, "Created");
                if (FieldOf(line, "Digest") !=
                    net_test::Md5HexOf(net_test::Md5HexOf(net_test::kClientSecretAnsi + nonce) +
                                       created))
                    ++inconsistent;
            }
        });
    }
    threads.emplace_back([&] {  // the login thread: replaces the nonce and signs too
        for (int i = 0; !done; ++i) {
            net::SetServerNonce("nonce-" + std::to_string(i));
            (void)net::AddAuthHeader(u"", 1316001600);
            (void)settings::GetClientId();
            if (i > 2000)
                break;
        }
    });
    for (int worker = 0; worker < kWorkers; ++worker)
        threads[size_t(worker)].join();
    done = true;
    threads.back().join();
    EXPECT_EQ(inconsistent, 0);
}

TEST_F(RequestsConcurrency, WorkersAndLoginThreadSendWhileTheNonceChanges) {
    ASSERT_TRUE(m_Service->SetSwitch("nonce_every", "4"));
    std::atomic<int> succeeded{0};
    std::atomic<int> unexpected{0};
    auto send = [&](std::u16string_view path, const std::string& body) {
        net::HttpRequestInfo info;
        net::InitRequestInfo(info, u"127.0.0.1", uint16_t(m_Service->Port()));
        size_t length = 0;
        const net::ReplyBuffer reply =
            net::HTTPRequest(settings::GetHeaderText(), length, info, path, body);
        if (info.m_StatusCode == 200 && reply)
            ++succeeded;
        else if (info.m_StatusCode != 401)
            ++unexpected;
    };
    std::vector<std::thread> threads;
    for (int worker = 0; worker < kWorkers; ++worker)
        threads.emplace_back([&] {
            for (int i = 0; i < 8; ++i)
                send(u"/app/pc/user.init.php", "username=alice&cid=" + m_ClientId);
        });
    threads.emplace_back([&] {
        for (int i = 0; i < 8; ++i)
            send(u"/app/pc/user.init.php", "username=alice&cid=" + m_ClientId);
    });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(unexpected, 0);
    EXPECT_GT(succeeded, 0);
}
