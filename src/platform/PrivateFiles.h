#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Creates the folder Path, with every missing parent, for the user alone (mode 0700); an
// existing folder the user owns is tightened to 0700. False, with the last error set, when the
// folder cannot be made or Path names something else.
bool CreatePrivateFolder(const std::string& Path);

// Writes Bytes as the file Path, readable by the user alone: into a new file beside it that is
// then renamed over Path. A process that has the old file mapped (a loaded library) keeps its
// bytes, and a link at Path is replaced, never followed. The bytes are not forced to disk: meant
// for files that can be made again. False, with the last error set, on failure; Path is then
// unchanged.
bool WritePrivateFile(const std::string& Path, std::string_view Bytes);

} // namespace Platform
