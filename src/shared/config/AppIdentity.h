#pragma once

#include <string>
#include <string_view>

namespace Shared {

// The application ID names one folder of the user's data folder, and that folder is removed
// when the runtime cannot be installed, so it must be exactly one plain folder name: not
// empty, not "." or "..", no "/" or "\", no NUL or other control character, at most 255 bytes.
// Empty when ID is such a name; otherwise why not, naming the ID (odd bytes shown as \xHH).
std::string CheckAppID(std::string_view ID);

} // namespace Shared
