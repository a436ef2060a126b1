#pragma once

// Request and reply texts go into log files, which other people get to read (they are
// sent with bug reports). The values of the fields that let someone act as the user or
// as this client are replaced with "***" first:
//   "token", "crypt" (the password digest of the login), "secret", "password".
// Field names match without regard to ASCII case, as whole names only ("kdw_token" is
// another field). Both forms the system sends and receives are covered:
//   form fields      name=value        up to "&", a line end or the end of the text
//   JSON members     "name": "value"   or a bare value up to "," "}" "]" or a blank

#include <string>
#include <string_view>

namespace net {

std::string RedactSecrets(std::string_view text);

}  // namespace net
