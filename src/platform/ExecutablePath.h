#pragma once

#include <string>

namespace Platform {

// The full, real path of the running executable (never argv[0]).
std::string ExecutablePath();

} // namespace Platform
