#pragma once

#include <string>
#include <string_view>

namespace Shared {

// The class of the application's windows (WM_CLASS), made from its ID: docks and task bars
// group the windows by it and match them with the desktop entry's StartupWMClass. ASCII
// letters, digits, ".", "-" and "_" stay; every other byte becomes "_", so the class is plain
// text for every window manager.
std::string WindowClassOf(std::string_view AppID);

} // namespace Shared
