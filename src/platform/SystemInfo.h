#pragma once

#include <string>

namespace Platform {

std::string HostName();      // empty on failure
std::string UserLoginName(); // empty on failure
// The target of a launcher: a .desktop file's program (Exec) or link (URL), or a symbolic
// link's target. Empty when Path is neither.
std::string ShortcutTarget(const std::string& Path);
// Sends a key press and release of a Windows virtual-key code to the focused window.
bool PressVirtualKey(unsigned VirtualKey);

} // namespace Platform
