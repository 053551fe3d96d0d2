#pragma once

#include <string>

namespace Shared {

// The running executable's folder followed by "/": where the runtime looks for files beside
// itself. "/" alone when the system cannot tell the executable's path.
std::string ExecutableDirPath();

} // namespace Shared
