#include "level_setting.h"

namespace {

constexpr int kHighestMask = 1023;

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);
    return text;
}

// A decimal number at the front of the text, with an optional sign. Out-of-range
// values stop growing past the valid range so that they cannot overflow.
std::optional<int> MaskValue(std::u16string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < u'0' || text.front() > u'9')
        return std::nullopt;  // no number at all is not the mask 0
    int value = 0;
    for (; !text.empty() && text.front() >= u'0' && text.front() <= u'9'; text.remove_prefix(1)) {
        value = value * 10 + (text.front() - u'0');
        if (value > kHighestMask)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> LevelFromSetting(std::u16string_view setting, std::u16string_view loggerName) {
    while (!setting.empty()) {
        const size_t end = setting.find(u';');
        const std::u16string_view entry = setting.substr(0, end);
        setting =
            end == std::u16string_view::npos ? std::u16string_view() : setting.substr(end + 1);
        const size_t equals = entry.find(u'=');
        if (equals == std::u16string_view::npos || Trim(entry.substr(0, equals)) != loggerName)
            continue;
        return MaskValue(Trim(entry.substr(equals + 1)));
    }
    return std::nullopt;
}
