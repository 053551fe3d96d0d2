#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Case-folds UTF-8 text by the full Unicode rules, so that names can be compared
// without regard to letter case in any script. Invalid sequences become U+FFFD.
std::string FoldCase(std::string_view utf8);

} // namespace Platform
