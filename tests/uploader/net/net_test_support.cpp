#include "net_test_support.h"

#include <stdlib.h>

#include <filesystem>

#include "log/log.h"
#include "net/auth_header.h"
#include "platform/tcp.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/session_state.h"
#include "settings/settings.h"
#include "support/test_env.h"
#include "tools/md5.h"

namespace net_test {
namespace {

namespace fs = std::filesystem;

std::string InstallFolder() {
    return norvel::test::TestRoot() + "/install";
}

std::vector<std::string> AllRecords() {
    Log().RunWriterCycleNow();
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(InstallFolder() + "/Log", ec))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> records;
    for (const fs::path& file : files) {
        const std::string text = norvel::test::ReadFile(file.string());
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find("\r\n", start);
            end = end == std::string::npos ? text.size() : end;
            if (end > start + 1 && text[start] == '[' && text[start + 1] >= '0' &&
                text[start + 1] <= '9')
                records.push_back(text.substr(start, end - start));
            start = end + 2;
        }
    }
    return records;
}

}  // namespace

std::string HeadOf(const std::string& request) {
    return request.substr(0, request.find("\r\n\r\n") + 2);
}

std::string BodyOf(const std::string& request) {
    const size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

std::string RequestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

std::string HeaderOf(const std::string& request, const std::string& name) {
    const std::string head = HeadOf(request);
    const size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 4 + name.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

void NetTest::SetUpTestSuite() {
    fs::create_directories(InstallFolder());
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath,
                          platform::Utf8ToWide(InstallFolder()));
    settings::WriteString(settings::kNorvelKey, settings::kLogLevel, u"norvel-uploader-=1023");
}

void NetTest::SetUp() {
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
    settings::WriteString(settings::kNorvelKey, settings::kClientId, kClientId);
    settings::WriteString(settings::kNorvelKey, settings::kClientSecret, kClientSecret);
    settings::ResetCaches();
    settings::AbortEvent().Reset();
    net::SetServerNonce("");
    net::SetTransportTimings(ShortTimings());
    m_RecordsBefore = AllRecords().size();
}

void NetTest::TearDown() {
    settings::AbortEvent().Reset();
    net::SetTransportTimings({});
}

net::TransportTimings NetTest::ShortTimings() {
    net::TransportTimings timings;
    timings.requestTimeoutMs = 5000;
    timings.uploadTimeoutMs = 5000;
    timings.connectRetries = 1;
    return timings;
}

std::vector<std::string> NetTest::LogRecords() {
    std::vector<std::string> records = AllRecords();
    records.erase(records.begin(),
                  records.begin() + std::ptrdiff_t(std::min(m_RecordsBefore, records.size())));
    return records;
}

std::vector<std::string> NetTest::LogRecords(const std::string& containing) {
    std::vector<std::string> found;
    for (std::string& record : LogRecords())
        if (record.find(containing) != std::string::npos)
            found.push_back(std::move(record));
    return found;
}

std::string Md5HexOf(const std::string& text) {
    std::string hex;
    tools::Md5Hex(text.data(), text.size(), hex);
    return hex;
}

std::u16string Wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

uint16_t RefusingPort() {
    platform::TcpListener listener;
    if (!listener.Listen())
        return 1;
    const uint16_t port = listener.Port();
    listener.Close();  // nothing listens there any more: connections are refused
    return port;
}

}  // namespace net_test
