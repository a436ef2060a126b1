#include "service/html.h"

#include <cstdio>

#include "service/form.h"

namespace norvel::service {

std::string HtmlPage(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" +
           HtmlEscape(title) +
           "</title><style>body{font-family:sans-serif;max-width:46em;margin:2em auto;color:#222}"
           "table{border-collapse:collapse}td,th{padding:.3em .8em;border-bottom:1px solid "
           "#ddd;text-align:left}"
           "a{color:#1b62b0}</style></head><body>\n" +
           std::string(body) + "\n</body></html>\n";
}

std::string HumanSize(int64_t bytes) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return text;
}

}  // namespace norvel::service
