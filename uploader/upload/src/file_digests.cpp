#include "upload/file_digests.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/input_file.h"
#include "tools/md5.h"
#include "upload/digest.h"
#include "upload/segment_digester.h"

namespace upload {
namespace {

constexpr uint64_t kDefaultSegmentSize = 16 << 20;

std::atomic<uint64_t> g_ExpectedSegmentSize{kDefaultSegmentSize};

// Digests the segments listed, in file order, into their slots of `found`.
bool DigestListed(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                  const std::vector<uint64_t>& indexes, std::vector<std::string>& found) {
    for (const uint64_t i : indexes) {
        const uint64_t start = i * segSize;
        if (!FileRangeMd5(file, start, std::min(segSize, length - start), found[i]))
            return false;
    }
    return true;
}

}  // namespace

bool DigestFile(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                FileDigests& digests) {
    digests = FileDigests{};
    if (segSize == 0)
        return FileRangeMd5(file, 0, length, digests.whole);
    if (segSize >= length) {
        if (!FileRangeMd5(file, 0, length, digests.whole))
            return false;
        digests.segSize = segSize;
        digests.segments.assign(1, digests.whole);
        return true;
    }
    // One read, one pass: each piece goes into the whole-file digest and its segment's
    // digest at once.
    CSegmentDigester segments(length, segSize);
    tools::MD5_CTX md5;
    const int64_t read =
        ReadInSteps(file, 0, length, [&](uint64_t at, const unsigned char* data, size_t size) {
            segments.Feed(at, data, size, &md5);
        });
    if (read != static_cast<int64_t>(length))
        return false;
    tools::FinalHex(md5, digests.whole);
    digests.segSize = segSize;
    digests.segments = segments.Finish();
    return true;
}

bool DigestSegments(const platform::InputFile& file, uint64_t length, uint64_t segSize,
                    std::vector<std::string>& digests) {
    if (segSize == 0) {
        digests.clear();
        return false;
    }
    const uint64_t count = SegmentCount(length, segSize);
    std::vector<std::string> found = std::move(digests);
    digests.clear();
    if (found.size() != count)
        found.assign(count, std::string());
    std::vector<uint64_t> missing;
    for (uint64_t i = 0; i < count; ++i)
        if (found[i].empty())
            missing.push_back(i);
    // A helper thread takes the later half of the missing ones; each digest has a slot of
    // its own.
    const auto split = missing.begin() + static_cast<std::ptrdiff_t>((missing.size() + 1) / 2);
    const std::vector<uint64_t> earlier(missing.begin(), split), later(split, missing.end());
    bool laterRead = true;
    std::thread helper;
    if (!later.empty())
        helper =
            std::thread([&] { laterRead = DigestListed(file, length, segSize, later, found); });
    const bool earlierRead = DigestListed(file, length, segSize, earlier, found);
    if (helper.joinable())
        helper.join();
    if (!earlierRead || !laterRead)
        return false;
    digests = std::move(found);
    return true;
}

uint64_t ExpectedSegmentSize() {
    return g_ExpectedSegmentSize.load();
}

void RememberSegmentSize(uint64_t segSize) {
    if (segSize > 0)
        g_ExpectedSegmentSize.store(segSize);
}

}  // namespace upload
