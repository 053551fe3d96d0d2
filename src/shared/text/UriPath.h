#pragma once

#include <string>
#include <string_view>

namespace Shared {

// The path an address names, as browsers encode it: without "?query" and "#fragment", and with
// its percent escapes decoded once ("%C3%A4" is "ä", "%23" is "#", "%2525" is "%25"). An escape
// that is not two hexadecimal digits stays as it is.
std::string DecodeUriPath(std::string_view Path);

} // namespace Shared
