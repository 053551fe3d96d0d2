#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Replaces the file at Path with Bytes so that a failure never leaves it half-written or
// emptied: the bytes go to a new file beside the target, which is then renamed over it.
// A symbolic link is followed (its target is replaced, the link stays) and an existing file's
// mode is kept. Where the folder cannot take a new file but the file itself is writable, the
// file is written in place. False, with the last error set, on failure.
bool ReplaceFileContents(const std::string& Path, std::string_view Bytes);

// Creates every missing folder of Path's parent. False, with the last error set, on failure.
bool CreateParentFolders(const std::string& Path);

} // namespace Platform
