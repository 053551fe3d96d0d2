#include "shared/text/FileMask.h"

namespace Shared {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool MatchesFileMask(std::string_view Name, std::string_view Mask) {
    if (Mask == "*.*") {
        return true;
    }
    // Iterative wildcard match with one backtracking point.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < Name.size()) {
        if (m < Mask.size() && (Mask[m] == '?' || Lower(Mask[m]) == Lower(Name[n]))) {
            ++n;
            ++m;
        } else if (m < Mask.size() && Mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < Mask.size() && Mask[m] == '*') {
        ++m;
    }
    return m == Mask.size();
}

} // namespace Shared
