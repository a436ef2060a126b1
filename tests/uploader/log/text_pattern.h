#pragma once

// A small pattern match for lines whose figures depend on the machine: '*' stands for
// any text (also none) and '#' for one or more digits; every other character for itself.

#include <string_view>

inline bool MatchesPattern(std::string_view text, std::string_view pattern) {
    if (pattern.empty())
        return text.empty();
    const char head = pattern.front();
    const std::string_view rest = pattern.substr(1);
    if (head == '*') {
        for (size_t skip = 0; skip <= text.size(); ++skip) {
            if (MatchesPattern(text.substr(skip), rest))
                return true;
        }
        return false;
    }
    if (head == '#') {
        size_t digits = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
            ++digits;
            if (MatchesPattern(text.substr(digits), rest))
                return true;
        }
        return false;
    }
    return !text.empty() && text.front() == head && MatchesPattern(text.substr(1), rest);
}
