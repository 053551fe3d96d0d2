#include "platform/InstanceLock.h"

#include "platform/Folders.h"
#include "platform/LastError.h"
#include "platform/linux/FileDescriptor.h"

#include "base/glib/GLibPtr.h"

#include <glib.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

constexpr std::size_t ReadablePart = 64;
constexpr std::size_t DigestPart = 32;

// $XDG_RUNTIME_DIR when it is what the login session makes: the user's own folder, closed to
// everyone else. su and sudo may leave another user's there.
std::string RuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (dir == nullptr || dir[0] != '/' || ::stat(dir, &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        return {};
    }
    return dir;
}

// The folder Name in Parent, made 0700 when missing. A link, or a folder of another user (who
// may have made it first in a shared folder), is refused, never followed or used.
TFd OpenPrivateFolder(const std::string& parent, const std::string& name) {
    const TFd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parentFd.IsOpen()) {
        return {};
    }
    if (::mkdirat(parentFd.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    TFd fd(::openat(parentFd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        return {};
    }
    if ((st.st_mode & 07777) != 0700 && ::fchmod(fd.Get(), 0700) != 0) {
        return {};
    }
    return fd;
}

TFd OpenLockFolder() {
    if (const std::string runtime = RuntimeDir(); !runtime.empty()) {
        if (TFd fd = OpenPrivateFolder(runtime, "vtr"); fd.IsOpen()) {
            return fd;
        }
    }
    return OpenPrivateFolder(TempDir(), "vtr-" + std::to_string(::geteuid()));
}

bool IsOwnFile(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

// The lock file in the private folder. Anything else found under its name (left while the
// folder was open to others) is removed and the file made anew.
TFd OpenLockFile(const std::string& name) {
    const TFd folder = OpenLockFolder();
    if (!folder.IsOpen()) {
        return {};
    }
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    TFd fd(::openat(folder.Get(), name.c_str(), flags, 0600));
    if (fd.IsOpen() && IsOwnFile(fd.Get())) {
        return fd;
    }
    fd.Reset();
    ::unlinkat(folder.Get(), name.c_str(), 0);
    fd.Reset(::openat(folder.Get(), name.c_str(), flags | O_EXCL, 0600));
    return fd;
}

// Open-file-description locks: each open of the file is its own owner, a lock changes kind
// atomically (exclusive to shared, with no moment unlocked), and closing some other descriptor
// of the file in this process does not drop it.
bool SetLock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool HeldByOthers(int err) {
    return err == EAGAIN || err == EACCES;
}

std::unique_ptr<TInstanceLock>& ProcessLock() {
    static std::unique_ptr<TInstanceLock> lock;
    return lock;
}

} // namespace

std::string InstanceLockFileName(const std::string& Name) {
    std::string readable;
    for (const char c : Name.substr(0, ReadablePart)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        readable += plain ? c : '_';
    }
    const Base::GLib::TGString digest(g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(Name.data()), Name.size()));
    const std::string hex(digest.get(), DigestPart);
    // The digest tells apart names that read the same ("a/b" and "a_b"); the readable part
    // never starts with a dot, so the file is neither hidden nor "." or "..".
    return "id-" + readable + "-" + hex + ".lock";
}

TInstanceLock::TInstanceLock(const std::string& Name)
    : FFd(OpenLockFile(InstanceLockFileName(Name)).Release()) {}

TInstanceLock::~TInstanceLock() {
    if (FFd >= 0) {
        ::close(FFd);
    }
}

bool TInstanceLock::TryAcquire() {
    if (FFd < 0) {
        return true;
    }
    if (!SetLock(FFd, F_WRLCK)) {
        const int err = errno;
        SetLastErrorFromErrno(err);
        // Only a lock held by an instance ends the start; any other failure must not lock the user out.
        return !HeldByOthers(err);
    }
    SetLock(FFd, F_RDLCK);
    return true;
}

void TInstanceLock::Join() {
    if (FFd < 0) {
        return;
    }
    // A plain start holds the lock alone only between two calls: wait for that briefly.
    for (int attempt = 0; attempt < 400; ++attempt) {
        if (SetLock(FFd, F_RDLCK) || !HeldByOthers(errno)) {
            return;
        }
        ::usleep(5000);
    }
}

bool TryAcquireInstanceLock(const std::string& Name) {
    ProcessLock() = std::make_unique<TInstanceLock>(Name);
    return ProcessLock()->TryAcquire();
}

void JoinInstanceLock(const std::string& Name) {
    ProcessLock() = std::make_unique<TInstanceLock>(Name);
    ProcessLock()->Join();
}

} // namespace Platform
