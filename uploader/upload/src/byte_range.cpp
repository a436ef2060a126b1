#include "upload/byte_range.h"

#include <charconv>

namespace upload {
namespace {

std::optional<uint64_t> Decimal(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<ByteRange> ParseByteRange(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto start = Decimal(text.substr(0, dash));
    const auto end = Decimal(text.substr(dash + 1));
    if (!start || !end || *start > *end)
        return std::nullopt;
    return ByteRange{*start, *end};
}

std::string RebaseRange(std::string_view blockRange, std::string_view segmentRange) {
    const auto block = ParseByteRange(blockRange);
    const auto segment = ParseByteRange(segmentRange);
    if (!block || !segment || block->end > UINT64_MAX - segment->start)
        return {};
    return ByteRange{block->start + segment->start, block->end + segment->start}.Text();
}

}  // namespace upload
