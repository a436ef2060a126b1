#include "upload/speed_limit.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>

#include "settings/registry_values.h"
#include "upload/byte_range.h"
#include "upload/engine_timings.h"

namespace upload {
namespace {

constexpr size_t kFullPiece = 131072;  // 128 KiB
constexpr size_t kSmallestPiece = 4096;

using Clock = std::chrono::steady_clock;

struct LimitCache {
    std::mutex lock;
    std::optional<Clock::time_point> readAt;  // guarded by lock
    uint32_t limitKBps = 0;                   // guarded by lock
};

LimitCache& Cache() {
    static LimitCache cache;
    return cache;
}

}  // namespace

uint32_t UploadSpeedLimit() {
    LimitCache& cache = Cache();
    const auto refresh = std::chrono::milliseconds(GetEngineTimings().speedLimitRefreshMs);
    std::lock_guard lock(cache.lock);
    const Clock::time_point now = Clock::now();
    if (!cache.readAt || now - *cache.readAt >= refresh) {
        cache.limitKBps = settings::ReadSpeedLimits().uploadKBps;
        cache.readAt = now;
    }
    return cache.limitKBps;
}

void ForgetUploadSpeedLimit() {
    LimitCache& cache = Cache();
    std::lock_guard lock(cache.lock);
    cache.readAt.reset();
}

std::string CapRange(std::string_view range, uint32_t limitKBps) {
    const auto parsed = ParseByteRange(range);
    if (limitKBps == 0 || !parsed)
        return std::string(range);
    const uint64_t perSecond = uint64_t(limitKBps) * 1024;
    if (parsed->Length() / perSecond < 11)
        return std::string(range);
    return ByteRange{parsed->start, parsed->start + 10 * perSecond - 1}.Text();
}

size_t CSpeedPacer::PieceSize() const {
    if (!Active())
        return kFullPiece;
    return static_cast<size_t>(
        std::clamp<uint64_t>(m_BytesPerSecond / 4, kSmallestPiece, kFullPiece));
}

uint64_t CSpeedPacer::DelayMs(uint64_t sentBytes, uint64_t elapsedMs) const {
    if (!Active())
        return 0;
    // The time the bytes may take at the limit, rounded up to whole milliseconds.
    const uint64_t dueMs = (sentBytes * 1000 + m_BytesPerSecond - 1) / m_BytesPerSecond;
    return dueMs > elapsedMs ? dueMs - elapsedMs : 0;
}

}  // namespace upload
