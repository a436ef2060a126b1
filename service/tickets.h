#pragma once

// Upload tickets ("kdw_tstr") and their secrets. An account has one ticket, anonymous
// uploads one ticket per computer name, so that an upload interrupted by a restart of
// the client resumes under the same ticket.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvel::service {

class CTransaction;

struct CTicket {
    std::string tstr;
    std::string secret;
    int64_t uid = 0;  // 0 for an anonymous ticket
    std::string cname;

    // Who holds what this ticket uploads: the account, or the anonymous ticket itself.
    std::string Owner() const { return uid > 0 ? "u:" + std::to_string(uid) : "t:" + tstr; }
};

std::optional<CTicket> FindTicket(CTransaction& tx, std::string_view tstr);
CTicket AccountTicket(CTransaction& tx, int64_t uid);
CTicket AnonymousTicket(CTransaction& tx, std::string_view cname);

}  // namespace norvel::service
