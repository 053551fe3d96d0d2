#pragma once

#include <string>

namespace Platform {

// Removes the file at Path; a symbolic link itself is removed, never its target, and a folder
// is refused. False, with the last error set, on failure.
bool DeleteFile(const std::string& Path);

} // namespace Platform
