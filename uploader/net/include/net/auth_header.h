#pragma once

// The signing header line "KDW-Auth" that every request carries: it proves that the
// client holds its secret without sending it, bound to the server's latest nonce and the
// time of signing.
//
//   H1      = Md5Hex(secret + nonce)
//   Digest  = Md5Hex(H1 + Created)
//   line    = "KDW-Auth: AccessToken ClientID=<id>, Digest=<Digest>, Nonce=<nonce>,
//   Created=<Created>\r\n"
//
// The server nonce is one process-wide text, empty at start, replaced whenever a 401
// reply names a new one; it is guarded, so any thread may sign while another replaces it
// (a request is signed with the nonce current when its header is built).

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

// The header block with the signing line appended; a CR LF is put before the line when
// the block does not already end with one. The client id comes from the settings, the
// client secret is read from the stored settings afresh (empty when missing) and used in
// the ANSI code page. Created is now, in seconds since 1970.
std::u16string AddAuthHeader(std::u16string_view headers);
// The same for a given Created time (seconds since 1970).
std::u16string AddAuthHeader(std::u16string_view headers, int64_t created);

void SetServerNonce(std::string_view nonce);
std::string GetServerNonce();

// The nonce that a reply's "KDW-Auth" header value names: the text after Nonce= and its
// opening double quote, up to the next double quote; empty when the marker or the closing
// quote is missing.
// Control characters are dropped, so that a nonce can never end a header line early.
std::string NonceFromAuthHeader(std::string_view value);

}  // namespace net
