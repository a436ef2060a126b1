#include "net/auth_header.h"

#include <ctime>

#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "tools/guarded.h"
#include "tools/md5.h"
#include "tools/text_between.h"

namespace net {
namespace {

tools::Guarded<std::string> g_ServerNonce;

std::string Md5HexOf(const std::string& text) {
    std::string hex;
    tools::Md5Hex(text.data(), text.size(), hex);
    return hex;
}

}  // namespace

std::u16string AddAuthHeader(std::u16string_view headers) {
    return AddAuthHeader(headers, int64_t(std::time(nullptr)));
}

std::u16string AddAuthHeader(std::u16string_view headers, int64_t created) {
    std::u16string block(headers);
    if (!block.ends_with(u"\r\n"))
        block += u"\r\n";
    const std::string secret = platform::WideToAnsi(
        settings::ReadString(settings::kNorvelKey, settings::kClientSecret).value_or(u""));
    const std::string nonce = GetServerNonce();
    const std::string createdText = std::to_string(created);
    const std::string digest = Md5HexOf(Md5HexOf(secret + nonce) + createdText);
    block += u"KDW-Auth: AccessToken ClientID=" + settings::GetClientId() + u", Digest=" +
             platform::Utf8ToWide(digest) + u", Nonce=" + platform::AnsiToWide(nonce) +
             u", Created=" + platform::Utf8ToWide(createdText) + u"\r\n";
    return block;
}

void SetServerNonce(std::string_view nonce) {
    g_ServerNonce.Set(std::string(nonce));
}

std::string GetServerNonce() {
    return g_ServerNonce.Get();
}

std::string NonceFromAuthHeader(std::string_view value) {
    std::string quoted;
    if (!tools::TextBetween(value, "Nonce=\"", "\"", quoted))
        return {};
    std::string nonce;
    for (char c : quoted)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            nonce += c;
    return nonce;
}

}  // namespace net
