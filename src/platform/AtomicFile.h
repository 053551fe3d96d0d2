#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Replaces the contents of the file at Path with Bytes so that a failure never leaves it
// half-written or emptied. A file with one name that belongs to the writer is replaced whole: the
// bytes go to a new file beside it, which then takes its name and mode (and group, where the
// writer may give it). Any other file stays the same file and is written in place, after the
// new contents have been written once beside it to prove that they fit: it keeps its other
// names, owner, group and mode. A FIFO or a device takes the bytes as a stream; a FIFO nobody
// reads fails at once. Where the folder cannot take a new file but the file itself is writable,
// the file is written in place too.
// Symbolic links are followed (the link stays), but not a link, nor a file, that another user
// has put into a shared folder such as /tmp (sticky and writable by all): only the caller's own
// or the folder owner's. False, with the last error set, on failure.
bool ReplaceFileContents(const std::string& Path, std::string_view Bytes);

// Creates every missing folder of Path's parent. False, with the last error set, on failure.
bool CreateParentFolders(const std::string& Path);

} // namespace Platform
