#pragma once

#include <string_view>

namespace VtrPack {

// The installer --default-installer packs: a shell script that installs WebKitGTK 4.1 through
// the system's package manager (webkitgtk-installer.sh, compiled in).
std::string_view DefaultInstallerScript();

} // namespace VtrPack
