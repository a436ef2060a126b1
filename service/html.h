#pragma once

// The frame of the service's small HTML pages.

#include <cstdint>
#include <string>
#include <string_view>

namespace norvel::service {

// A whole page: title and body (body is HTML, the title is escaped here).
std::string HtmlPage(std::string_view title, std::string_view body);
// "1.5 MB" and the like.
std::string HumanSize(int64_t bytes);

}  // namespace norvel::service
