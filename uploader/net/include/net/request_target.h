#pragma once

// Request targets and addresses on the wire. Paths of the system are written as the
// service documents them, some without a leading "/" ("up/up_seginfo") or with a
// trailing blank ("/app/pc/sina_weibo.php "); on the wire every target is well-formed:
// it starts with "/", and bytes that may not stand in a request target are escaped as
// "%" and two uppercase hex digits (so that trailing blank goes out as "%20").

#include <string>
#include <string_view>

namespace settings {
struct ServiceHost;
}

namespace net {

// The target for a path below a base path ("" or "/base"): the base, then the path with a
// "/" put in front when it has none. Both are taken as UTF-8 and escaped byte by byte;
// letters, digits, "-._~!$&'()*+,;=:@/?" stay as they are, and so does a "%" that starts
// an escape already ("%2F"); everything else is escaped (a bare "%" becomes "%25").
std::string RequestTarget(std::u16string_view basePath, std::u16string_view path);

// "http://host:port" or "https://host:port" (an IPv6 address in brackets); empty when the
// host name holds anything but letters, digits, ".", "-", "_" and the colons of an IPv6
// address, so that no host text can smuggle a path, credentials or a second address into
// the address.
std::string OriginOf(const settings::ServiceHost& host);

}  // namespace net
