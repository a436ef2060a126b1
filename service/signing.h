#pragma once

// The "KDW-Auth" request header that signed requests carry:
//   KDW-Auth: AccessToken ClientID=<cid>, Digest=<d>, Nonce=<n>, Created=<seconds>
// with d = MD5hex(MD5hex(client secret + n) + Created). The nonce is the service's
// current one; a request without a valid header is answered with 401 and a response
// header KDW-Auth: AccessToken realm="norvel", Nonce="<current nonce>".

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace norvel::service {

class CStore;
struct CSwitches;

struct CAuthFields {
    std::string clientId;
    std::string digest;
    std::string nonce;
    std::string created;
};

// The fields of a header value; empty when it is not of the form above.
std::optional<CAuthFields> ParseAuthHeader(std::string_view value);

// The digest a client with this secret sends for the nonce and time.
std::string AuthDigest(std::string_view secret, std::string_view nonce, std::string_view created);

class CSigning {
public:
    CSigning();

    // True when the header value is a valid signature of a registered client with the
    // current nonce and a "Created" time within the tolerance of now.
    bool Check(CStore& store, const CSwitches& switches, std::string_view header, int64_t now);

    std::string Nonce() const;
    // Replaces the nonce, so that every signature made with the old one is refused.
    void RenewNonce();
    // The value of the KDW-Auth header of a 401 reply.
    std::string Challenge() const;

private:
    mutable std::mutex m_Lock;
    std::string m_Nonce;
    int64_t m_Uses = 0;  // signed requests accepted with the current nonce
};

}  // namespace norvel::service
