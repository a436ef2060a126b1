#pragma once

// The client identity: each installation signs its requests with a client id and a
// client secret that the service issues once, in a two-request handshake:
//
//   "/app/pc/clientid.init.php" (no body)          ─► "secret", "seed"
//   "/app/pc/clientid.auth.php" cid=<id>&secret=<secret>, id = Md5Hex(seed + secret)
//                                                 ─► "success" (the text false: refused)
//
// The pair is stored as "CLIENT_ID" and "CLIENT_SECRET" and reused by every later run.

#include <string>

#include "net/action.h"

namespace actions {

struct ClientIdentity {
    std::u16string clientId;
    std::u16string clientSecret;
};

class CInitClientIDAction : public net::CAction {
public:
    // Up to three handshakes, stopping at the first success: 0, else the last result.
    virtual int Execute();
    // One handshake: 0 on success (the pair is then kept), -1 on failure.
    int RequestIdentity();
    ClientIdentity GetIdentity() const { return {m_ClientId, m_ClientSecret}; }

private:
    std::u16string m_ClientId;  // empty until a handshake succeeded
    std::u16string m_ClientSecret;
};

// The start-up check of the login: runs the handshake when the stored pair is incomplete
// and stores what it obtained. 1 when a complete pair is stored (before or after), 0 when
// none could be obtained (the stored values are then left as they were).
int EnsureClientIdentity();

}  // namespace actions
