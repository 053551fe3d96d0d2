#include "platform/Environment.h"

#include <cstdlib>

namespace Platform {

void SetEnvironmentVariable(const std::string& Name, const std::string& Value) {
    ::setenv(Name.c_str(), Value.c_str(), 1);
}

void RemoveEnvironmentVariable(const std::string& Name) {
    ::unsetenv(Name.c_str());
}

std::string GetEnvironmentVariable(const std::string& Name) {
    const char* value = std::getenv(Name.c_str());
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace Platform
