#pragma once

// The table of endpoints: which path answers which method, whether the request must be
// signed, and whether it is an admin request (loopback only).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "service/form.h"
#include "service/http_types.h"

namespace norvel::service {

class CServiceContext;

enum class Access { Open, Signed, Admin };

using FormHandler = std::function<CReply(CServiceContext&, const CRequest&, const CForm&)>;
using PageHandler = std::function<CReply(CServiceContext&, const CRequest&)>;
using StreamHandler = std::function<CReply(CServiceContext&, const CRequest&, CBodySource&)>;

struct CRoute {
    Access access = Access::Open;
    FormHandler form;      // POST with a form body, read whole (within the size limit)
    PageHandler page;      // GET, or POST whose body the handler reads from CRequest::body
    StreamHandler stream;  // POST whose body is streamed to the handler
};

// The route of a normalised path for a method ("GET" or "POST"); empty when none.
std::optional<CRoute> FindRoute(std::string_view method, const std::string& path);

}  // namespace norvel::service
