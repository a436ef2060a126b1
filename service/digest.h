#pragma once

// MD5 for the service: whole texts and streams, always as 32 lowercase hexadecimal
// digits, over the project's own MD5. Every digest of the service goes through here.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace norvel::service {

// MD5 of the bytes, 32 lowercase hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

// True when the text is 32 lowercase hexadecimal digits (a digest as the client writes it).
bool IsMd5Hex(std::string_view text);

// Incremental MD5 over data that arrives in pieces.
class CMd5Stream {
public:
    CMd5Stream();
    ~CMd5Stream();
    // A copy digests on from where the original stands.
    CMd5Stream(const CMd5Stream& other);
    CMd5Stream& operator=(const CMd5Stream& other);

    void Update(const char* data, size_t length);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // Adds the same bytes to two streams, in one pass when both have taken the same number
    // of bytes modulo 64.
    static void UpdateBoth(CMd5Stream& first, CMd5Stream& second, const char* data, size_t length);
    // The digest of everything added so far; the stream starts afresh afterwards.
    std::string FinishHex();

private:
    struct State;
    std::unique_ptr<State> m_State;
};

}  // namespace norvel::service
