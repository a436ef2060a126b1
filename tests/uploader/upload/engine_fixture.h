#pragma once

// The upload engine against the substitute service: a fresh service with the account
// alice (logged in: token, user id and account figures in the settings, as a login leaves
// them), the service as the sync API host, no upload credentials yet, short waits and
// small blocks and segments.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "intake/request_entry.h"
#include "intake/upload_context.h"
#include "service_fixture.h"
#include "support/test_env.h"

namespace upload_test {

using norvel::test::SampleBytes;
std::string Md5Of(const std::string& bytes);

class EngineTest : public net_test::ServiceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs in through the service's login requests and stores what a login stores.
    void LogIn(const std::string& user, const std::string& password);
    // The service's upload switches.
    void UseBlocks(uint64_t blockSize, uint64_t segmentThreshold = 1 << 30,
                   uint64_t segmentSize = 1 << 20);

    // Writes a file below the test folder (folders made as needed); its full path.
    std::u16string MakeFile(const std::string& relative, const std::string& bytes);
    // A task for dir + "/" + name as intake makes one (no owner window).
    std::unique_ptr<intake::UploadContext> MakeTask(const std::string& name,
                                                    int32_t kind = intake::kAccountUpload);
    std::u16string Dir() const;
    // A request of the kind (share link, Weibo, ...) for files written below the test
    // folder with the given bytes, as the plug-in hands one over.
    intake::RequestBatch MakeRequest(
        int32_t kind, std::initializer_list<std::pair<const char*, std::string>> files);
    // Link pages and downloads are asked of the substitute service too.
    void PointLinkHostsAtService();
    // The engine's driver, except that while the file of that name uploads the service
    // answers every block with status 500.
    std::function<int(intake::UploadContext&)> DriverFailingBlocksOf(std::u16string fileName);

    // The content the service stored under that MD5; empty when none.
    std::string StoredContent(const std::string& md5) const;
    // True when the service stored exactly these bytes (under their MD5).
    bool ServiceHolds(const std::string& bytes) const {
        return StoredContent(Md5Of(bytes)) == bytes;
    }
    // The tree node at the path below the upload root ("" when missing): its "md5".
    std::string RemoteMd5(const std::string& pathBelowRoot) const;
    // Requests logged for a path since the test began (decoded, "/" first).
    size_t CountRequests(const std::string& path) { return RequestsTo(path).size(); }
    // Content bytes sent in all blocks so far (the bodies' sizes minus head and closing).
    uint64_t BlockBytesSent();

    norvel::test::TempDir m_Dir;
    std::string m_Token;
    std::string m_Uid;
};

}  // namespace upload_test
