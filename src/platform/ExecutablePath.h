#pragma once

#include <string>

namespace Platform {

// The full path of the running executable's file, links resolved; empty when the system
// cannot tell.
std::string GetExecutablePath();

} // namespace Platform
