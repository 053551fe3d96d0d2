#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Replaces the contents of the file at Path with Bytes so that a failure never leaves it
// half-written or emptied:
// - a new file, or one with one name that belongs to the writer, is replaced whole: the bytes go
//   to a new file beside it, which takes the old file's mode and group, then its name;
// - any other file (more names, another owner, a group the writer may not give) stays the same
//   file, written in place once the new contents have fitted beside it, or, where the folder
//   takes no new file, once their room has been claimed: it keeps its names, owner, group, mode;
// - a FIFO or a character device takes the bytes as a stream; a FIFO nobody reads fails at once,
//   and a reader that stops reading makes the write give up after a few seconds.
// Symbolic links are followed (the link stays), but in a folder that is sticky and writable by
// all, such as /tmp, a link, file or FIFO that another user put there is refused unless it
// belongs to the folder's owner. False, with the last error set, on failure.
bool ReplaceFileContents(const std::string& Path, std::string_view Bytes);

// Creates every missing folder of Path's parent, following links as above. False, with the last
// error set, on failure.
bool CreateParentFolders(const std::string& Path);

} // namespace Platform
