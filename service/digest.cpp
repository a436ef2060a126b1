#include "service/digest.h"

#include "service/form.h"
#include "tools/md5.h"

namespace norvel::service {

struct CMd5Stream::State {
    tools::MD5_CTX context;
};

CMd5Stream::CMd5Stream() : m_State(std::make_unique<State>()) {}
CMd5Stream::~CMd5Stream() = default;
CMd5Stream::CMd5Stream(const CMd5Stream& other)
    : m_State(std::make_unique<State>(*other.m_State)) {}

CMd5Stream& CMd5Stream::operator=(const CMd5Stream& other) {
    *m_State = *other.m_State;
    return *this;
}

void CMd5Stream::Update(const char* data, size_t length) {
    m_State->context.Update(reinterpret_cast<const unsigned char*>(data), length);
}

void CMd5Stream::UpdateBoth(CMd5Stream& first, CMd5Stream& second, const char* data,
                            size_t length) {
    tools::MD5_CTX::UpdateBoth(first.m_State->context, second.m_State->context,
                               reinterpret_cast<const unsigned char*>(data), length);
}

std::string CMd5Stream::FinishHex() {
    unsigned char digest[16];
    m_State->context.Final(digest);
    return HexEncode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string Md5Hex(std::string_view bytes) {
    std::string hex;
    tools::Md5Hex(bytes.data(), bytes.size(), hex);
    return hex;
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
