#pragma once

#include <string_view>

namespace Shared {

// Matches a file name against a mask with "*" and "?", ignoring ASCII case; "*.*" and "*"
// match every name, with or without an extension.
bool MatchesFileMask(std::string_view Name, std::string_view Mask);

} // namespace Shared
