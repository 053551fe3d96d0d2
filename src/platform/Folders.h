#pragma once

#include <string>

namespace Platform {

// Standard folders of the current user, without a trailing separator; empty when unknown.
std::string HomeDir();
std::string UserDesktopDir();   // XDG desktop folder when it exists, else the home folder
std::string UserDocumentsDir(); // XDG documents folder, else the home folder
std::string UserConfigDir();    // $XDG_CONFIG_HOME or ~/.config
std::string UserDataDir();      // $XDG_DATA_HOME or ~/.local/share
std::string TempDir();          // $TMPDIR or /tmp, resolved to its real path when it exists

} // namespace Platform
