#pragma once

#include "platform/linux/FileDescriptor.h"

#include <string>
#include <sys/stat.h>

namespace Platform {

// Where a write to a path lands: the open folder that holds the final entry, the entry's name in
// it and, when it exists, the entry itself, open as a path only, with its status. Later steps
// work on these descriptors, never on the path again, so a swapped name cannot redirect them.
struct TWriteTarget {
    TFd Folder;
    std::string Name;
    TFd Entry; // not open when nothing has the name yet
    struct stat Status {};
};

enum class TMissingFolders { Fail, Create };

// Walks Path one name at a time from "/" or the current folder, following symbolic links by
// hand (the final one too) so that each link is checked where it lies: a link in a shared folder
// that belongs to someone else is refused, as the kernel's protection would (which may be off,
// and which a path resolved in user space never meets). Missing folders on the way are
// created when asked. False, with the last error set, on failure.
bool WalkToWriteTarget(const std::string& Path, TMissingFolders Missing, TWriteTarget& Target);

// In a sticky folder that everyone may write (/tmp), another user may plant names for the caller
// to use; an entry there is used only when it belongs to the caller or to the folder's owner.
bool MayUseInSharedFolder(const struct stat& Folder, uid_t EntryOwner);

// The path of Name inside the open Folder, for messages.
std::string EntryPathText(int Folder, const std::string& Name);

} // namespace Platform
