#include "service/signing.h"

#include <charconv>

#include "service/digest.h"
#include "service/random.h"
#include "service/store.h"
#include "service/switches.h"

namespace norvel::service {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::optional<std::string> RegisteredSecret(CStore& store, const std::string& clientId) {
    CTransaction tx(store);
    CStatement query(store, "SELECT secret FROM clients WHERE cid = ?1 AND registered = 1");
    query.Bind(1, clientId);
    if (!query.Step())
        return std::nullopt;
    return query.Text(0);
}

}  // namespace

std::optional<CAuthFields> ParseAuthHeader(std::string_view value) {
    value = Trim(value);
    constexpr std::string_view kScheme = "AccessToken ";
    if (value.substr(0, kScheme.size()) != kScheme)
        return std::nullopt;
    value.remove_prefix(kScheme.size());
    CAuthFields fields;
    int seen = 0;
    while (!value.empty()) {
        const size_t comma = value.find(',');
        const std::string_view item = Trim(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = item.substr(0, eq);
        const std::string text(item.substr(eq + 1));
        if (key == "ClientID")
            fields.clientId = text, seen |= 1;
        else if (key == "Digest")
            fields.digest = text, seen |= 2;
        else if (key == "Nonce")
            fields.nonce = text, seen |= 4;
        else if (key == "Created")
            fields.created = text, seen |= 8;
    }
    if (seen != 15)
        return std::nullopt;
    return fields;
}

std::string AuthDigest(std::string_view secret, std::string_view nonce, std::string_view created) {
    return Md5Hex(Md5Hex(std::string(secret) + std::string(nonce)) + std::string(created));
}

CSigning::CSigning() : m_Nonce(RandomHex(16)) {}

bool CSigning::Check(CStore& store, const CSwitches& switches, std::string_view header,
                     int64_t now) {
    if (switches.rejectSignatures)
        return false;
    const auto fields = ParseAuthHeader(header);
    if (!fields || fields->clientId.empty())
        return false;
    int64_t created = 0;
    const std::string& text = fields->created;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), created);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    const int64_t skew = created > now ? created - now : now - created;
    if (skew > switches.createdTolerance)
        return false;
    const auto secret = RegisteredSecret(store, fields->clientId);
    if (!secret)
        return false;
    std::lock_guard lock(m_Lock);
    if (fields->nonce != m_Nonce || AuthDigest(*secret, m_Nonce, text) != fields->digest)
        return false;
    const int64_t every = switches.nonceEvery;
    if (every > 0 && ++m_Uses >= every) {
        m_Nonce = RandomHex(16);
        m_Uses = 0;
    }
    return true;
}

std::string CSigning::Nonce() const {
    std::lock_guard lock(m_Lock);
    return m_Nonce;
}

void CSigning::RenewNonce() {
    std::lock_guard lock(m_Lock);
    m_Nonce = RandomHex(16);
    m_Uses = 0;
}

std::string CSigning::Challenge() const {
    return "AccessToken realm=\"norvel\", Nonce=\"" + Nonce() + "\"";
}

}  // namespace norvel::service
