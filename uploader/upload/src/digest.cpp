#include "upload/digest.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "log/log.h"
#include "log/log_events.h"
#include "platform/input_file.h"
#include "tools/md5.h"
#include "upload/byte_range.h"
#include "upload/upload_run.h"

namespace upload {
namespace {

std::string HexOf(tools::MD5_CTX& md5) {
    std::string hex;
    tools::FinalHex(md5, hex);
    return hex;
}

// Feeds up to `length` bytes from `offset` into the digest; the number of bytes read, or
// -1 on a read error. Fewer bytes than asked only at the end of the file.
int64_t Feed(const platform::InputFile& file, uint64_t offset, uint64_t length,
             tools::MD5_CTX& md5) {
    return ReadInSteps(file, offset, length, [&](uint64_t, const unsigned char* data, size_t size) {
        md5.Update(data, size);
    });
}

}  // namespace

int64_t ReadInSteps(const platform::InputFile& file, uint64_t offset, uint64_t length,
                    const std::function<void(uint64_t, const unsigned char*, size_t)>& take) {
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>(kDigestStep, length));
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(capacity);
    uint64_t done = 0;
    while (done < length) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(kDigestStep, length - done));
        const int64_t got = file.ReadAt(offset + done, buffer.get(), step);
        if (got < 0)
            return -1;
        take(offset + done, buffer.get(), static_cast<size_t>(got));
        done += static_cast<uint64_t>(got);
        if (static_cast<size_t>(got) < step)
            break;
    }
    return static_cast<int64_t>(done);
}

bool FileMd5(std::u16string_view path, std::string& digest) {
    digest.clear();
    platform::InputFile file;
    if (file.Open(path) != 0)
        return false;
    tools::MD5_CTX md5;
    if (Feed(file, 0, UINT64_MAX, md5) < 0) {
        Log().Write(L3_KEY, log_events::kOpenFile, false, {},
                    u"Outlook Pst FilePath=" + std::u16string(path));
        return false;
    }
    digest = HexOf(md5);
    return true;
}

bool FileRangeMd5(const platform::InputFile& file, uint64_t offset, uint64_t length,
                  std::string& digest) {
    digest.clear();
    tools::MD5_CTX md5;
    if (Feed(file, offset, length, md5) != static_cast<int64_t>(length))
        return false;
    digest = HexOf(md5);
    return true;
}

std::string RangeDigest(UploadRun& run, std::string_view range) {
    const auto parsed = ParseByteRange(range);
    if (!parsed)
        return {};
    if (!run.m_File) {
        auto file = std::make_unique<platform::InputFile>();
        if (file->Open(run.m_Task.m_Path) != 0)
            return {};
        run.m_File = std::move(file);
    }
    tools::MD5_CTX md5;
    if (Feed(*run.m_File, parsed->start, parsed->Length(), md5) < 0)
        return {};
    return HexOf(md5);
}

}  // namespace upload
