#pragma once

// The upload speed cap: the upload half of "LIMITSPEED" under software\Norvel, in KB per
// second (0..10240; 0 means no cap). It is read when first needed and again whenever the
// value read is older than the engine's refresh interval (one second), so a change by a
// settings program takes effect at the next block.
//
// Under a cap a block holds at most ten seconds of data at the limit, and its content is
// written in pieces small enough to pause between them, so that the average rate of each
// block stays at the limit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace upload {

// KB per second; 0: no cap.
uint32_t UploadSpeedLimit();
// The next UploadSpeedLimit() reads the settings again.
void ForgetUploadSpeedLimit();

// When (length of range) / (limit x 1024), in whole seconds, is 11 or more, the range
// is cut to its first 10 x limit x 1024 bytes; otherwise (and without a cap, or for a
// malformed range) it is returned as it is.
std::string CapRange(std::string_view range, uint32_t limitKBps);

// Paces the content of one block.
class CSpeedPacer {
public:
    explicit CSpeedPacer(uint32_t limitKBps) : m_BytesPerSecond(uint64_t(limitKBps) * 1024) {}

    bool Active() const { return m_BytesPerSecond != 0; }
    // The largest piece to write: 128 KiB, or under a cap a quarter of a second of data
    // (at least 4 KiB), so that pauses stay short.
    size_t PieceSize() const;
    // How long to wait after `sentBytes` went out in `elapsedMs` so that the average rate
    // does not exceed the limit; 0 without a cap.
    uint64_t DelayMs(uint64_t sentBytes, uint64_t elapsedMs) const;

private:
    uint64_t m_BytesPerSecond;
};

}  // namespace upload
