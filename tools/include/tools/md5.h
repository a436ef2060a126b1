#pragma once

// The MD5 message digest (RFC 1321) and its hexadecimal form, the only form in which
// digests leave this library: 32 lowercase hex digits, two per byte, in byte order.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools {

class MD5_CTX {
public:
    MD5_CTX();
    virtual ~MD5_CTX();
    MD5_CTX(const MD5_CTX&) = default;
    MD5_CTX& operator=(const MD5_CTX&) = default;

    // Adds bytes to the message; may be called any number of times with any lengths.
    void Update(const unsigned char* data, size_t length);
    // Adds the same bytes to two messages. When both have taken the same number of bytes
    // modulo 64 (a file's digest and the digest of a part of it that starts a multiple
    // of 64 bytes in), both are digested in one pass, in little more than the time of
    // one; otherwise one after the other.
    static void UpdateBoth(MD5_CTX& first, MD5_CTX& second, const unsigned char* data,
                           size_t length);
    // Pads the message, writes its 16-byte digest and starts a new, empty message, so the
    // same object can digest the next one at once.
    void Final(unsigned char digest[16]);

private:
    void Init();

    uint32_t m_State[4];         // the four chaining words A, B, C, D
    uint64_t m_BitCount;         // message length in bits, modulo 2^64
    unsigned char m_Buffer[64];  // bytes of an incomplete block, m_BitCount / 8 % 64 of them
};

// out = the 32 lowercase hex digits of the MD5 of the bytes. Always succeeds.
void Md5Hex(const void* data, size_t length, std::string& out);
// out = the 32 lowercase hex digits of the message fed to context so far; the context
// then starts a new, empty message (as Final does).
void FinalHex(MD5_CTX& context, std::string& out);

}  // namespace tools
