// Printed names of record types and level masks.

#include <array>
#include <utility>

#include "log/log.h"

namespace {

constexpr int kMaskBits = 10;

constexpr std::array<std::pair<int, std::u16string_view>, 5> kTypeNames = {{
    {L1_USR, u"L1_USR"},
    {L2_VIM, u"L2_VIM"},
    {L3_KEY, u"L3_KEY"},
    {L4_INF, u"L4_INF"},
    {L5_TRC, u"L5_TRC"},
}};

constexpr std::array<std::pair<int, std::u16string_view>, 12> kLevelNames = {{
    {S__NOT_INIT, u"S__NOT_INIT"},
    {S0_CLOSE_ALL, u"S0_CLOSE_ALL"},
    {S1_USR_ERR, u"S1_USR_ERR"},
    {S1_USR, u"S1_USR"},
    {S2_VIM_ERR, u"S2_VIM_ERR"},
    {S2_VIM, u"S2_VIM"},
    {S3_DEFAULT_KEY_ERR, u"S3_DEFAULT_KEY_ERR"},
    {S3_KEY, u"S3_KEY"},
    {S4_INF_ERR, u"S4_INF_ERR"},
    {S4_INF, u"S4_INF"},
    {S5_TRC_ERR, u"S5_TRC_ERR"},
    {S5_OPEN_ALL, u"S5_OPEN_ALL"},
}};

}  // namespace

std::u16string LogTypeName(int type) {
    for (const auto& [value, name] : kTypeNames) {
        if (value == type)
            return std::u16string(name);
    }
    return u"UNKOWN";  // spelt as readers of existing log files expect it
}

std::u16string LogLevelName(int mask) {
    for (const auto& [value, name] : kLevelNames) {
        if (value == mask)
            return std::u16string(name);
    }
    std::u16string bits;
    for (int bit = kMaskBits - 1; bit >= 0; --bit)
        bits += (mask >> bit) & 1 ? u'1' : u'0';
    return bits;
}
