#include "platform/AtomicFile.h"

#include "platform/LastError.h"
#include "platform/linux/FileDescriptor.h"
#include "platform/linux/PathWalk.h"
#include "platform/linux/StreamWrite.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

bool Fail(int err) {
    SetLastErrorFromErrno(err);
    return false;
}

bool FailWith(std::string Text) {
    SetLastErrorText(std::move(Text));
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool WriteAllFromStart(int fd, std::string_view bytes) {
    off_t offset = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

// Read without changing it: umask() itself would briefly change it for every thread.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    return 022;
}

bool SameFile(int fd, const struct stat& expected) {
    struct stat now {};
    return ::fstat(fd, &now) == 0 && now.st_dev == expected.st_dev && now.st_ino == expected.st_ino;
}

// A new file beside the target, written before anything is replaced. Removed again unless it
// has been renamed into the target's place.
class TTempFile {
public:
    explicit TTempFile(int Folder) : FFolder(Folder) {}
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    ~TTempFile() { Remove(); }

    // False, with errno set, when the folder takes no new file.
    bool Create(const std::string& TargetName) {
        static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        // The target's name shortened, so that the temporary name fits a folder entry too.
        const std::string base = "." + TargetName.substr(0, 200) + ".vtr-";
        for (int attempt = 0; attempt < 100; ++attempt) {
            unsigned char random[6];
            if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
                return false;
            }
            std::string name = base;
            for (const unsigned char r : random) {
                name += Letters[r % (sizeof Letters - 1)];
            }
            FFd.Reset(
                ::openat(FFolder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (FFd.IsOpen()) {
                FName = std::move(name);
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }
    int Fd() const { return FFd.Get(); }
    bool Close() { return ::close(FFd.Release()) == 0; }
    bool RenameOver(const std::string& TargetName) {
        if (::renameat(FFolder, FName.c_str(), FFolder, TargetName.c_str()) != 0) {
            return false;
        }
        FName.clear();
        return true;
    }
    void Remove() {
        FFd.Reset();
        if (!FName.empty()) {
            ::unlinkat(FFolder, FName.c_str(), 0);
            FName.clear();
        }
    }

private:
    int FFolder;
    TFd FFd;
    std::string FName;
};

// Claims the room for Size bytes before the old contents are overwritten, where the file system
// can: a full disk then fails the write while the file is still whole.
bool Reserve(int fd, std::size_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur) {
        return Fail(EFBIG);
    }
    if (size == 0) {
        return true;
    }
    int result = 0;
    do {
        result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 || errno == EOPNOTSUPP || errno == ENOSYS || Fail(errno);
}

// Writes the file itself: it keeps its other names, owner, group, mode and identity.
bool WriteInPlace(const TWriteTarget& Target, std::string_view Bytes) {
    TFd fd(::openat(Target.Folder.Get(), Target.Name.c_str(),
                    O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return Fail(errno);
    }
    if (!SameFile(fd.Get(), Target.Status)) {
        return FailWith("The file was replaced by another one while it was being written");
    }
    if (!Reserve(fd.Get(), Bytes.size())) {
        return false;
    }
    if (!WriteAllFromStart(fd.Get(), Bytes) || ::ftruncate(fd.Get(), static_cast<off_t>(Bytes.size())) != 0 ||
        ::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0) {
        return Fail(errno);
    }
    return true;
}

// A file that a new one may replace without anyone noticing but by its contents: it has one
// name and belongs to the writer. Anything else is written in place so that it stays itself.
bool IsOrdinary(const struct stat& Status) {
    return Status.st_nlink == 1 && Status.st_uid == ::geteuid();
}

bool GiveGroup(int fd, gid_t group) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 &&
           (status.st_gid == group || ::fchown(fd, static_cast<uid_t>(-1), group) == 0);
}

bool WriteRegularFile(const TWriteTarget& Target, std::string_view Bytes) {
    const bool exists = Target.Entry.IsOpen();
    bool inPlace = exists && !IsOrdinary(Target.Status);
    TTempFile temp(Target.Folder.Get());
    if (!temp.Create(Target.Name)) {
        const int err = errno;
        // A folder that refuses new files may still hold a writable file: write it in place.
        if (exists && (err == EACCES || err == EPERM || err == EROFS)) {
            return WriteInPlace(Target, Bytes);
        }
        return Fail(err);
    }
    // The whole new contents go to the temporary file first, also for a file then written in
    // place: a disk without room fails here, while the old contents are untouched, and removing
    // the temporary file gives its room to the write in place.
    if (!WriteAll(temp.Fd(), Bytes)) {
        return Fail(errno);
    }
    // A group the writer may not give is kept by writing the file itself.
    inPlace = inPlace || (exists && !GiveGroup(temp.Fd(), Target.Status.st_gid));
    const mode_t mode = exists ? (Target.Status.st_mode & 07777) : (0666 & ~CurrentUmask());
    if ((!inPlace && ::fchmod(temp.Fd(), mode) != 0) || ::fsync(temp.Fd()) != 0) {
        return Fail(errno);
    }
    if (inPlace) {
        temp.Remove();
        return WriteInPlace(Target, Bytes);
    }
    if (!temp.Close() || !temp.RenameOver(Target.Name)) {
        return Fail(errno);
    }
    return true;
}

// FIFOs and devices take the bytes as a stream; they are never replaced by a file.
bool WriteToStream(const TWriteTarget& Target, std::string_view Bytes) {
    TFd fd(::openat(Target.Folder.Get(), Target.Name.c_str(),
                    O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsOpen()) {
        if (errno == ENXIO && S_ISFIFO(Target.Status.st_mode)) {
            return FailWith("No program has the FIFO open for reading");
        }
        return Fail(errno);
    }
    if (!SameFile(fd.Get(), Target.Status)) {
        return FailWith("The file was replaced by another one while it was being written");
    }
    return WriteToReader(fd.Get(), Bytes);
}

} // namespace

bool ReplaceFileContents(const std::string& Path, std::string_view Bytes) {
    TWriteTarget target;
    if (!WalkToWriteTarget(Path, TMissingFolders::Fail, target)) {
        return false;
    }
    if (!target.Entry.IsOpen()) {
        return WriteRegularFile(target, Bytes);
    }
    const mode_t type = target.Status.st_mode & S_IFMT;
    if (type == S_IFDIR) {
        return Fail(EISDIR);
    }
    // Another user's file in a shared folder may be a trap laid to catch what is written.
    struct stat folder {};
    if (::fstat(target.Folder.Get(), &folder) != 0) {
        return Fail(errno);
    }
    if (!MayUseInSharedFolder(folder, target.Status.st_uid)) {
        return FailWith("The file " + EntryPathText(target.Folder.Get(), target.Name) +
                        " belongs to another user in a shared folder and is not written");
    }
    if (type == S_IFREG) {
        return WriteRegularFile(target, Bytes);
    }
    if (type == S_IFIFO || type == S_IFCHR) {
        return WriteToStream(target, Bytes);
    }
    return FailWith("Only files, FIFOs and character devices can be written");
}

bool CreateParentFolders(const std::string& Path) {
    const std::size_t slash = Path.find_last_of('/');
    if (slash == std::string::npos) {
        return true;
    }
    // Walked as a folder ("a/b/" ends in "a/b/."), creating what is missing on the way.
    TWriteTarget parent;
    return WalkToWriteTarget(Path.substr(0, slash + 1), TMissingFolders::Create, parent);
}

} // namespace Platform
