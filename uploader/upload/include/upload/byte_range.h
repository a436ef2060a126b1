#pragma once

// Byte ranges of the upload protocol: "start-end", decimal offsets, end inclusive.
//
// The service names the ranges it wants; a range is only used when it reads cleanly as
// two decimal numbers with start <= end, so that a malformed or hostile range fails the
// file instead of being read as something else.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace upload {

// The largest block the engine builds in memory (the service never asks for more).
inline constexpr uint64_t kMaxBlockBytes = uint64_t(64) << 20;

struct ByteRange {
    uint64_t start = 0;
    uint64_t end = 0;  // inclusive

    uint64_t Length() const { return end - start + 1; }
    std::string Text() const { return std::to_string(start) + "-" + std::to_string(end); }
    bool operator==(const ByteRange&) const = default;
};

// Two decimal numbers joined by one "-", start <= end, nothing else; empty otherwise.
std::optional<ByteRange> ParseByteRange(std::string_view text);

// A block range relative to a segment, made absolute: (s + a)-(e + a) for the block
// s-e of the segment a-b. Empty when either range is malformed or the sum overflows.
std::string RebaseRange(std::string_view blockRange, std::string_view segmentRange);

}  // namespace upload
