#include "platform/AtomicFile.h"

#include "platform/LastError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (FFd >= 0) {
            ::close(FFd);
        }
    }
    int Get() const { return FFd; }
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }

private:
    int FFd;
};

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

bool Fail(int err) {
    SetLastErrorFromErrno(err);
    return false;
}

// The file a path finally names, following symbolic links, even when that file does not exist yet.
std::string FinalTarget(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
        if (ec) {
            return current;
        }
        current = target.is_absolute() ? target.string()
                                       : (std::filesystem::path(current).parent_path() / target).string();
    }
    return current;
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

bool WriteInPlace(const std::string& path, std::string_view bytes) {
    TFd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.Get() < 0) {
        return Fail(errno);
    }
    if (!WriteAll(fd.Get(), bytes)) {
        return Fail(errno);
    }
    if (::close(fd.Release()) != 0) {
        return Fail(errno);
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::string& Path, std::string_view Bytes) {
    const std::string target = FinalTarget(Path);
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return Fail(EISDIR);
    }

    std::string temp = (folder.empty() ? std::string(".") : folder.string()) + "/." +
                       std::filesystem::path(target).filename().string() + ".vtr-XXXXXX";
    TFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        const int err = errno;
        // A folder that refuses new files may still hold a writable file: write it in place.
        if (exists && (err == EACCES || err == EPERM || err == EROFS) &&
            ::access(target.c_str(), W_OK) == 0) {
            return WriteInPlace(target, Bytes);
        }
        return Fail(err);
    }
    const auto discard = [&](int err) {
        ::unlink(temp.c_str());
        return Fail(err);
    };
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd.Get(), mode) != 0 || !WriteAll(fd.Get(), Bytes) || ::fsync(fd.Get()) != 0) {
        return discard(errno);
    }
    if (::close(fd.Release()) != 0) {
        return discard(errno);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        return discard(errno);
    }
    return true;
}

bool CreateParentFolders(const std::string& Path) {
    const std::filesystem::path parent = std::filesystem::path(Path).parent_path();
    if (parent.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    if (ec) {
        SetLastErrorText(ec.message());
        return false;
    }
    return true;
}

} // namespace Platform
