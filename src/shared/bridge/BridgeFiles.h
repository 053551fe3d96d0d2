#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Shared {

// A path argument of the file and folder functions: absolute when it begins with "/",
// otherwise relative to AppDirPath (which ends in "/"), with "\" taken as a separator.
std::string ResolveBridgePath(std::string_view Path, std::string_view AppDirPath);

// The bytes of a text file as the bridge writes it: a UTF-8 byte-order mark, then every line
// followed by CR LF. CR LF, CR and LF end lines; a final break starts no further line; a NUL
// character ends the text.
std::string MakeTextFileBytes(std::string_view Contents);

// The filters of a dialog's file-type list: entries separated by ";", each a display name and
// a mask separated by "|". An entry that does not split into exactly two parts is dropped.
std::vector<std::pair<std::string, std::string>> ParseFileTypes(std::string_view FileTypes);

} // namespace Shared
