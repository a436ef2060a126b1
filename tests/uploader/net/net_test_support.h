#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/transport_timings.h"
#include "support/scripted_server.h"

namespace net_test {

inline constexpr char16_t kClientId[] = u"c0ffee";
inline constexpr char16_t kClientSecret[] = u"s3cret";
inline constexpr char kClientSecretAnsi[] = "s3cret";

// Milliseconds since start.
class Stopwatch {
public:
    int64_t ElapsedMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - m_Start)
            .count();
    }

private:
    std::chrono::steady_clock::time_point m_Start = std::chrono::steady_clock::now();
};

// The request head (up to the blank line) and body of a raw request.
std::string HeadOf(const std::string& request);
std::string BodyOf(const std::string& request);
// The request line: "POST /path HTTP/1.1".
std::string RequestLine(const std::string& request);
// The value of the first header line of that name (as written, case kept); empty if none.
std::string HeaderOf(const std::string& request, const std::string& name);

// Every test starts with a known client identity, an empty server nonce, no proxy from
// the environment, short time-outs and the abort event reset. The process-wide logger
// writes every level into a folder of its own, which LogRecords() reads.
class NetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The timings tests run with: 5 s time-outs, one connect retry.
    static net::TransportTimings ShortTimings();

    // Log records written since this test began (after a writer cycle), one line each.
    std::vector<std::string> LogRecords();
    // Those of them that contain the text.
    std::vector<std::string> LogRecords(const std::string& containing);

private:
    size_t m_RecordsBefore = 0;
};

// The 32 hex digits of the text's MD5.
std::string Md5HexOf(const std::string& text);

// ASCII text as wide text.
std::u16string Wide(const std::string& ascii);

// A port on 127.0.0.1 that refuses connections (nothing listens there).
uint16_t RefusingPort();

}  // namespace net_test
