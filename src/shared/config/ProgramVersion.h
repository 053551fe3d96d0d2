#pragma once

#include <string_view>

namespace Shared {

// The bridge's version, answered by vtr.hello().
inline constexpr std::string_view ProgramVersion = "2022.4";

} // namespace Shared
