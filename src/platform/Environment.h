#pragma once

#include <string>

namespace Platform {

// The process environment, inherited by every process started afterwards.
void SetEnvironmentVariable(const std::string& Name, const std::string& Value);
void RemoveEnvironmentVariable(const std::string& Name);
std::string GetEnvironmentVariable(const std::string& Name);

} // namespace Platform
