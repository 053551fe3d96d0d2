#include "platform/ExecutablePath.h"

#include <filesystem>

namespace Platform {

std::string ExecutablePath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

} // namespace Platform
