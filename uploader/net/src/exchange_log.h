#pragma once

// The log records of the request layer. Request bodies and replies pass through
// RedactSecrets before they are written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// "HTTPRequest": cause "http_code=<status> ; Header=<headers>", data "Body=<body>" and
// "pChar=<reply>", both URL-decoded ("\"\"" when absent). A success of type L4_INF for
// status 200, else a failure of type L2_VIM.
void LogExchange(int status, std::u16string_view headers, std::optional<std::string_view> body,
                 const std::optional<std::string>& reply);

// "SYS_Connection": a failure of type L2_VIM with the cause "ERROR_CODE=<error>", the
// text of the failed step and "header=<headers>body=<body>".
void LogUnreachable(uint32_t error, std::u16string_view what, std::u16string_view headers,
                    std::optional<std::string_view> body);

}  // namespace net
