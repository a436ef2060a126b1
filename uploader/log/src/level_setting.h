#pragma once

// The "LOG_LEVEL" setting: entries "name=value" separated by ";", one per logger, so that
// several programs can share the value.

#include <optional>
#include <string_view>

// The mask of the entry whose name is `loggerName` (blanks around names and values are
// ignored; the first such entry counts). Empty when there is no such entry or its value
// is not a number from 0 to 1023. Digits may be followed by other characters, which
// are ignored.
std::optional<int> LevelFromSetting(std::u16string_view setting, std::u16string_view loggerName);
