#pragma once

#include <string_view>

namespace Platform {

// Compares two UTF-8 texts without regard to letter case, in the collation order of the
// process's current locale (LC_COLLATE). Negative, zero or positive like strcmp.
int CompareTextIgnoreCase(std::string_view Left, std::string_view Right);

} // namespace Platform
