#include "shared/system/ExecutableDir.h"

#include "platform/ExecutablePath.h"

#include <filesystem>

namespace Shared {

std::string ExecutableDirPath() {
    return std::filesystem::path(Platform::GetExecutablePath()).parent_path().string() + "/";
}

} // namespace Shared
