#pragma once

#include <string>

namespace Shared {

// The folder path with one "/" at its end: added when missing, so the empty path gives "/".
inline std::string WithTrailingSlash(std::string Path) {
    if (Path.empty() || Path.back() != '/') {
        Path += '/';
    }
    return Path;
}

} // namespace Shared
