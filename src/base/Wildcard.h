#pragma once

// One wildcard matcher for URI filters and file masks.

#include "base/Ascii.h"

#include <string_view>

namespace Base {

struct TWildcardRules {
    bool QuestionMark = true; // "?" stands for any one character (file masks); else it is itself
    bool IgnoreCase = true;   // ASCII case
};

// Whether Text matches Pattern, in which "*" stands for any run of characters. Linear in
// practice: one backtracking point, the last "*".
constexpr bool MatchesWildcard(std::string_view Pattern, std::string_view Text, TWildcardRules Rules = {}) {
    const auto same = [&](char p, char t) {
        return (Rules.QuestionMark && p == '?') ||
               (Rules.IgnoreCase ? LowerAscii(p) == LowerAscii(t) : p == t);
    };
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < Text.size()) {
        if (p < Pattern.size() && Pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < Pattern.size() && same(Pattern[p], Text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < Pattern.size() && Pattern[p] == '*') {
        ++p;
    }
    return p == Pattern.size();
}

// A file name against a file mask with "*" and "?", ignoring ASCII case; "*.*" and "*" match
// every name, with or without an extension.
constexpr bool MatchesFileMask(std::string_view Name, std::string_view Mask) {
    return Mask == "*.*" || MatchesWildcard(Mask, Name, {.QuestionMark = true, .IgnoreCase = true});
}

} // namespace Base
