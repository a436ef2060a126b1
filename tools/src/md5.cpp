#include "tools/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tools {
namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "mixed-endian machines are not supported");

constexpr size_t kBlockSize = 64;

inline uint32_t LoadLittle(const unsigned char* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof(word));  // no alignment needed; one load on x86
    if constexpr (std::endian::native == std::endian::big)
        word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
    return word;
}

inline void StoreLittle(unsigned char* p, uint32_t word) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(word >> (8 * i));
}

// The four round functions, in forms that shorten the dependency chain on b: F and I
// need one operation after b is known; G adds two independent terms (they never share a
// bit, so + equals |) and lets the part without b start early.
inline uint32_t F(uint32_t b, uint32_t c, uint32_t d) {
    return d ^ (b & (c ^ d));
}
inline uint32_t G(uint32_t b, uint32_t c, uint32_t d) {
    return (b & d) + (c & ~d);
}
inline uint32_t H(uint32_t b, uint32_t c, uint32_t d) {
    return b ^ c ^ d;
}
inline uint32_t I(uint32_t b, uint32_t c, uint32_t d) {
    return c ^ (b | ~d);
}

// One step: a = b + ((a + f(b, c, d) + x + t) <<< s). x + t does not depend on the
// previous step, so it is added first.
#define MD5_STEP(f, a, b, c, d, i, t, s) \
    a += x[i] + (t);                     \
    a += f(b, c, d);                     \
    a = std::rotl(a, s) + b

// The same step of two messages over the same word: their chains do not depend on each
// other, so the processor runs both in the time of little more than one.
#define MD5_STEP2(f, a, b, c, d, i, t, s) \
    MD5_STEP(f, a, b, c, d, i, t, s);     \
    MD5_STEP(f, a##2, b##2, c##2, d##2, i, t, s)

// The 64 steps of one block, each given to STEP.
#define MD5_ROUNDS(STEP)                     \
    STEP(F, a, b, c, d, 0, 0xd76aa478, 7);   \
    STEP(F, d, a, b, c, 1, 0xe8c7b756, 12);  \
    STEP(F, c, d, a, b, 2, 0x242070db, 17);  \
    STEP(F, b, c, d, a, 3, 0xc1bdceee, 22);  \
    STEP(F, a, b, c, d, 4, 0xf57c0faf, 7);   \
    STEP(F, d, a, b, c, 5, 0x4787c62a, 12);  \
    STEP(F, c, d, a, b, 6, 0xa8304613, 17);  \
    STEP(F, b, c, d, a, 7, 0xfd469501, 22);  \
    STEP(F, a, b, c, d, 8, 0x698098d8, 7);   \
    STEP(F, d, a, b, c, 9, 0x8b44f7af, 12);  \
    STEP(F, c, d, a, b, 10, 0xffff5bb1, 17); \
    STEP(F, b, c, d, a, 11, 0x895cd7be, 22); \
    STEP(F, a, b, c, d, 12, 0x6b901122, 7);  \
    STEP(F, d, a, b, c, 13, 0xfd987193, 12); \
    STEP(F, c, d, a, b, 14, 0xa679438e, 17); \
    STEP(F, b, c, d, a, 15, 0x49b40821, 22); \
    STEP(G, a, b, c, d, 1, 0xf61e2562, 5);   \
    STEP(G, d, a, b, c, 6, 0xc040b340, 9);   \
    STEP(G, c, d, a, b, 11, 0x265e5a51, 14); \
    STEP(G, b, c, d, a, 0, 0xe9b6c7aa, 20);  \
    STEP(G, a, b, c, d, 5, 0xd62f105d, 5);   \
    STEP(G, d, a, b, c, 10, 0x02441453, 9);  \
    STEP(G, c, d, a, b, 15, 0xd8a1e681, 14); \
    STEP(G, b, c, d, a, 4, 0xe7d3fbc8, 20);  \
    STEP(G, a, b, c, d, 9, 0x21e1cde6, 5);   \
    STEP(G, d, a, b, c, 14, 0xc33707d6, 9);  \
    STEP(G, c, d, a, b, 3, 0xf4d50d87, 14);  \
    STEP(G, b, c, d, a, 8, 0x455a14ed, 20);  \
    STEP(G, a, b, c, d, 13, 0xa9e3e905, 5);  \
    STEP(G, d, a, b, c, 2, 0xfcefa3f8, 9);   \
    STEP(G, c, d, a, b, 7, 0x676f02d9, 14);  \
    STEP(G, b, c, d, a, 12, 0x8d2a4c8a, 20); \
    STEP(H, a, b, c, d, 5, 0xfffa3942, 4);   \
    STEP(H, d, a, b, c, 8, 0x8771f681, 11);  \
    STEP(H, c, d, a, b, 11, 0x6d9d6122, 16); \
    STEP(H, b, c, d, a, 14, 0xfde5380c, 23); \
    STEP(H, a, b, c, d, 1, 0xa4beea44, 4);   \
    STEP(H, d, a, b, c, 4, 0x4bdecfa9, 11);  \
    STEP(H, c, d, a, b, 7, 0xf6bb4b60, 16);  \
    STEP(H, b, c, d, a, 10, 0xbebfbc70, 23); \
    STEP(H, a, b, c, d, 13, 0x289b7ec6, 4);  \
    STEP(H, d, a, b, c, 0, 0xeaa127fa, 11);  \
    STEP(H, c, d, a, b, 3, 0xd4ef3085, 16);  \
    STEP(H, b, c, d, a, 6, 0x04881d05, 23);  \
    STEP(H, a, b, c, d, 9, 0xd9d4d039, 4);   \
    STEP(H, d, a, b, c, 12, 0xe6db99e5, 11); \
    STEP(H, c, d, a, b, 15, 0x1fa27cf8, 16); \
    STEP(H, b, c, d, a, 2, 0xc4ac5665, 23);  \
    STEP(I, a, b, c, d, 0, 0xf4292244, 6);   \
    STEP(I, d, a, b, c, 7, 0x432aff97, 10);  \
    STEP(I, c, d, a, b, 14, 0xab9423a7, 15); \
    STEP(I, b, c, d, a, 5, 0xfc93a039, 21);  \
    STEP(I, a, b, c, d, 12, 0x655b59c3, 6);  \
    STEP(I, d, a, b, c, 3, 0x8f0ccc92, 10);  \
    STEP(I, c, d, a, b, 10, 0xffeff47d, 15); \
    STEP(I, b, c, d, a, 1, 0x85845dd1, 21);  \
    STEP(I, a, b, c, d, 8, 0x6fa87e4f, 6);   \
    STEP(I, d, a, b, c, 15, 0xfe2ce6e0, 10); \
    STEP(I, c, d, a, b, 6, 0xa3014314, 15);  \
    STEP(I, b, c, d, a, 13, 0x4e0811a1, 21); \
    STEP(I, a, b, c, d, 4, 0xf7537e82, 6);   \
    STEP(I, d, a, b, c, 11, 0xbd3af235, 10); \
    STEP(I, c, d, a, b, 2, 0x2ad7d2bb, 15);  \
    STEP(I, b, c, d, a, 9, 0xeb86d391, 21)

void LoadBlock(const unsigned char* data, uint32_t x[16]) {
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLittle(data + 4 * i);
}

// Digests `count` whole blocks straight from `data` (no copy; any alignment).
void Transform(uint32_t state[4], const unsigned char* data, size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; count > 0; --count, data += kBlockSize) {
        uint32_t x[16];
        LoadBlock(data, x);
        const uint32_t aa = a, bb = b, cc = c, dd = d;
        MD5_ROUNDS(MD5_STEP);
        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

// Digests the same blocks into two states at once.
void Transform2(uint32_t state[4], uint32_t state2[4], const unsigned char* data, size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t a2 = state2[0], b2 = state2[1], c2 = state2[2], d2 = state2[3];
    for (; count > 0; --count, data += kBlockSize) {
        uint32_t x[16];
        LoadBlock(data, x);
        const uint32_t aa = a, bb = b, cc = c, dd = d;
        const uint32_t aa2 = a2, bb2 = b2, cc2 = c2, dd2 = d2;
        MD5_ROUNDS(MD5_STEP2);
        a += aa;
        b += bb;
        c += cc;
        d += dd;
        a2 += aa2;
        b2 += bb2;
        c2 += cc2;
        d2 += dd2;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state2[0] = a2;
    state2[1] = b2;
    state2[2] = c2;
    state2[3] = d2;
}

#undef MD5_ROUNDS
#undef MD5_STEP2
#undef MD5_STEP

}  // namespace

MD5_CTX::MD5_CTX() {
    Init();
}

MD5_CTX::~MD5_CTX() = default;

void MD5_CTX::Init() {
    m_State[0] = 0x67452301;
    m_State[1] = 0xefcdab89;
    m_State[2] = 0x98badcfe;
    m_State[3] = 0x10325476;
    m_BitCount = 0;
    std::memset(m_Buffer, 0, sizeof(m_Buffer));
}

void MD5_CTX::Update(const unsigned char* data, size_t length) {
    if (length == 0)
        return;
    size_t used = static_cast<size_t>(m_BitCount >> 3) % kBlockSize;
    m_BitCount += static_cast<uint64_t>(length) << 3;

    if (used > 0) {
        const size_t take = std::min(length, kBlockSize - used);
        std::memcpy(m_Buffer + used, data, take);
        data += take;
        length -= take;
        used += take;
        if (used < kBlockSize)
            return;
        Transform(m_State, m_Buffer, 1);
    }
    const size_t blocks = length / kBlockSize;
    Transform(m_State, data, blocks);
    data += blocks * kBlockSize;
    length -= blocks * kBlockSize;
    if (length > 0)
        std::memcpy(m_Buffer, data, length);
}

void MD5_CTX::UpdateBoth(MD5_CTX& first, MD5_CTX& second, const unsigned char* data,
                         size_t length) {
    const size_t used = static_cast<size_t>(first.m_BitCount >> 3) % kBlockSize;
    if (&first == &second || used != static_cast<size_t>(second.m_BitCount >> 3) % kBlockSize) {
        first.Update(data, length);
        second.Update(data, length);
        return;
    }
    // Up to the next block boundary each takes the bytes into its own buffer; the whole
    // blocks after it go through both states at once; the rest waits in the buffers.
    const size_t lead = used == 0 ? 0 : std::min(length, kBlockSize - used);
    first.Update(data, lead);
    second.Update(data, lead);
    data += lead;
    length -= lead;
    const size_t blocks = length / kBlockSize;
    Transform2(first.m_State, second.m_State, data, blocks);
    const size_t together = blocks * kBlockSize;
    first.m_BitCount += static_cast<uint64_t>(together) << 3;
    second.m_BitCount += static_cast<uint64_t>(together) << 3;
    first.Update(data + together, length - together);
    second.Update(data + together, length - together);
}

void MD5_CTX::Final(unsigned char digest[16]) {
    // Padding: one 1 bit, zeros up to 56 bytes modulo 64, then the length in bits as a
    // little-endian 64-bit number.
    const uint64_t bitCount = m_BitCount;
    const size_t used = static_cast<size_t>(bitCount >> 3) % kBlockSize;
    const size_t padLength = (used < 56 ? 56 : 120) - used;
    unsigned char tail[kBlockSize + 8] = {0x80};
    for (int i = 0; i < 8; ++i)
        tail[padLength + i] = static_cast<unsigned char>(bitCount >> (8 * i));
    Update(tail, padLength + 8);

    for (int i = 0; i < 4; ++i)
        StoreLittle(digest + 4 * i, m_State[i]);
    Init();
}

void Md5Hex(const void* data, size_t length, std::string& out) {
    MD5_CTX context;
    context.Update(static_cast<const unsigned char*>(data), length);
    FinalHex(context, out);
}

void FinalHex(MD5_CTX& context, std::string& out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    unsigned char digest[16];
    context.Final(digest);
    out.clear();
    out.reserve(32);
    for (unsigned char byte : digest) {
        out.push_back(kDigits[byte >> 4]);
        out.push_back(kDigits[byte & 0x0F]);
    }
}

}  // namespace tools
