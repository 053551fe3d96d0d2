#include "platform/linux/PathWalk.h"

#include "platform/LastError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr int MaxLinks = 40; // the kernel's own limit

bool Fail(int err) {
    SetLastErrorFromErrno(err);
    return false;
}

// Puts the names of Path in front of Names, in order. A final "/" asks for a folder: "."
// stands for it, so that a file there fails as "Not a directory" and a folder names itself.
void PushNames(std::deque<std::string>& Names, const std::string& Path) {
    std::deque<std::string> own;
    std::size_t pos = 0;
    while (pos < Path.size()) {
        const std::size_t end = std::min(Path.find('/', pos), Path.size());
        if (end > pos) {
            own.push_back(Path.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    if (!Path.empty() && Path.back() == '/') {
        own.emplace_back(".");
    }
    Names.insert(Names.begin(), own.begin(), own.end());
}

TFd OpenStart(bool Absolute) {
    return TFd(::open(Absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

TFd OpenEntry(int Folder, const std::string& Name) {
    return TFd(::openat(Folder, Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
}

// The text of the link open as a path, read from that very link.
bool ReadLink(int Link, std::string& To) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlinkat(Link, "", buffer, sizeof buffer);
    if (n < 0) {
        return Fail(errno);
    }
    if (static_cast<std::size_t>(n) >= sizeof buffer) {
        return Fail(ENAMETOOLONG);
    }
    To.assign(buffer, static_cast<std::size_t>(n));
    return !To.empty() || Fail(ENOENT);
}

bool MayFollow(int Folder, const std::string& Name, const struct stat& Link) {
    struct stat folder {};
    if (::fstat(Folder, &folder) != 0) {
        return Fail(errno);
    }
    if (MayUseInSharedFolder(folder, Link.st_uid)) {
        return true;
    }
    SetLastErrorText("The symbolic link " + EntryPathText(Folder, Name) +
                     " belongs to another user in a shared folder and is not followed");
    return false;
}

} // namespace

bool MayUseInSharedFolder(const struct stat& Folder, uid_t EntryOwner) {
    const bool shared = (Folder.st_mode & S_ISVTX) != 0 && (Folder.st_mode & S_IWOTH) != 0;
    return !shared || EntryOwner == ::geteuid() || EntryOwner == Folder.st_uid;
}

std::string EntryPathText(int Folder, const std::string& Name) {
    char buffer[PATH_MAX];
    const std::string self = "/proc/self/fd/" + std::to_string(Folder);
    const ssize_t n = ::readlink(self.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return Name;
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    if (path.back() != '/') {
        path += '/';
    }
    return path + Name;
}

bool WalkToWriteTarget(const std::string& Path, TMissingFolders Missing, TWriteTarget& Target) {
    if (Path.empty()) {
        return Fail(ENOENT);
    }
    std::deque<std::string> names;
    PushNames(names, Path);
    TFd folder = OpenStart(Path.front() == '/');
    if (!folder.IsOpen()) {
        return Fail(errno);
    }
    int links = 0;
    while (!names.empty()) {
        const std::string name = std::move(names.front());
        names.pop_front();
        const bool last = names.empty();
        TFd entry = OpenEntry(folder.Get(), name);
        if (!entry.IsOpen() && errno == ENOENT && !last && Missing == TMissingFolders::Create) {
            if (::mkdirat(folder.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
                return Fail(errno);
            }
            entry = OpenEntry(folder.Get(), name);
        }
        if (!entry.IsOpen()) {
            if (errno != ENOENT || !last) {
                return Fail(errno);
            }
            Target.Folder = std::move(folder);
            Target.Name = name;
            Target.Entry.Reset();
            return true;
        }
        struct stat status {};
        if (::fstat(entry.Get(), &status) != 0) {
            return Fail(errno);
        }
        if (S_ISLNK(status.st_mode)) {
            std::string to;
            if (++links > MaxLinks) {
                return Fail(ELOOP);
            }
            if (!MayFollow(folder.Get(), name, status) || !ReadLink(entry.Get(), to)) {
                return false;
            }
            PushNames(names, to);
            if (to.front() == '/') {
                folder = OpenStart(true);
                if (!folder.IsOpen()) {
                    return Fail(errno);
                }
            }
            continue;
        }
        if (last) {
            Target.Folder = std::move(folder);
            Target.Name = name;
            Target.Entry = std::move(entry);
            Target.Status = status;
            return true;
        }
        if (!S_ISDIR(status.st_mode)) {
            return Fail(ENOTDIR);
        }
        folder = std::move(entry);
    }
    return Fail(EISDIR); // not reached: the last name always ends the walk
}

} // namespace Platform
