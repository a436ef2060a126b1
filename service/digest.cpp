#include "service/digest.h"

#include <array>
#include <cstring>

namespace norvel::service {
namespace {

// RFC 1321 MD5. Stands in until the project's own MD5 is available to the service.
constexpr std::array<uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};
constexpr std::array<uint32_t, 16> kShift = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

uint32_t RotateLeft(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

struct CMd5Stream::State {
    std::array<uint32_t, 4> words{};
    uint64_t bytes = 0;
    std::array<unsigned char, 64> block{};

    State() { Reset(); }
    void Reset() {
        words = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
        bytes = 0;
    }

    void Transform(const unsigned char* data) {
        uint32_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = uint32_t(data[i * 4]) | uint32_t(data[i * 4 + 1]) << 8 |
                   uint32_t(data[i * 4 + 2]) << 16 | uint32_t(data[i * 4 + 3]) << 24;
        uint32_t a = words[0], b = words[1], c = words[2], d = words[3];
        for (uint32_t i = 0; i < 64; ++i) {
            uint32_t f, g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const uint32_t next = d;
            d = c;
            c = b;
            b = b + RotateLeft(a + f + kSine[i] + m[g], kShift[(i / 16) * 4 + i % 4]);
            a = next;
        }
        words[0] += a;
        words[1] += b;
        words[2] += c;
        words[3] += d;
    }

    void Update(const unsigned char* data, size_t length) {
        size_t used = bytes % 64;
        bytes += length;
        if (used) {
            const size_t take = std::min(length, 64 - used);
            std::memcpy(block.data() + used, data, take);
            data += take;
            length -= take;
            if (used + take < 64)
                return;
            Transform(block.data());
        }
        for (; length >= 64; data += 64, length -= 64)
            Transform(data);
        std::memcpy(block.data(), data, length);
    }

    std::string FinishHex() {
        const uint64_t bits = bytes * 8;
        static const unsigned char kPad[64] = {0x80};
        const size_t used = bytes % 64;
        Update(kPad, used < 56 ? 56 - used : 120 - used);
        unsigned char length[8];
        for (int i = 0; i < 8; ++i)
            length[i] = static_cast<unsigned char>(bits >> (8 * i));
        Update(length, 8);
        static const char kHex[] = "0123456789abcdef";
        std::string hex;
        for (uint32_t word : words)
            for (int i = 0; i < 4; ++i) {
                const unsigned byte = (word >> (8 * i)) & 0xff;
                hex += kHex[byte >> 4];
                hex += kHex[byte & 15];
            }
        Reset();
        return hex;
    }
};

CMd5Stream::CMd5Stream() : m_State(std::make_unique<State>()) {}
CMd5Stream::~CMd5Stream() = default;

void CMd5Stream::Update(const char* data, size_t length) {
    m_State->Update(reinterpret_cast<const unsigned char*>(data), length);
}

std::string CMd5Stream::FinishHex() { return m_State->FinishHex(); }

std::string Md5Hex(std::string_view bytes) {
    CMd5Stream md5;
    md5.Update(bytes);
    return md5.FinishHex();
}

bool IsMd5Hex(std::string_view text) {
    if (text.size() != 32)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

}  // namespace norvel::service
