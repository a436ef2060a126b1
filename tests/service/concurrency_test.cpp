// Several clients at once: uploads of different files and of the same file, logins and
// admin reads in parallel. Run under ThreadSanitizer too (with the service built the same
// way, its exit status says whether it saw a race).

#include <random>
#include <thread>

#include "service_client.h"

namespace norvel::test {
namespace {

using ConcurrencyTest = ServiceFixture;

TEST_F(ConcurrencyTest, ParallelUploadsAllFinishAndTheServiceStopsCleanly) {
    ASSERT_TRUE(service.SetSwitch("block_size", "4096"));
    ASSERT_TRUE(service.SetSwitch("segment_threshold", "40000"));
    ASSERT_TRUE(service.SetSwitch("segment_size", "16384"));
    ASSERT_TRUE(LoginAlice());
    const auto ticket = client.Authorize();
    ASSERT_TRUE(ticket);
    std::string shared(50000, '\0');
    std::mt19937 engine(7);
    for (char& c : shared)
        c = static_cast<char>(engine());
    constexpr int kThreads = 6;
    std::vector<CUploadDriver::Result> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            // Even threads upload the same large file, odd ones files of their own.
            const std::string content =
                i % 2 == 0 ? shared : shared.substr(0, 10000) + std::to_string(i);
            CTestClient::Ticket own = *ticket;
            if (i % 3 == 0) {
                CTestClient anonymous(service);
                anonymous.cid = client.cid;
                anonymous.secret = client.secret;
                own = anonymous.Authorize("PC" + std::to_string(i)).value_or(own);
            }
            results[size_t(i)] =
                CUploadDriver(service, own, "f" + std::to_string(i), content).Run();
            service.Requests();
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < kThreads; ++i)
        EXPECT_TRUE(results[size_t(i)].finished) << i << " " << results[size_t(i)].failStatus;
    EXPECT_EQ(service.Stop(), 0);
}

}  // namespace
}  // namespace norvel::test
