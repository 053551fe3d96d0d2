#include "platform/PrivateFiles.h"

#include "platform/LastError.h"
#include "platform/linux/FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Platform {

namespace {

namespace fs = std::filesystem;

bool Fail(int err) {
    SetLastErrorFromErrno(err);
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

} // namespace

bool CreatePrivateFolder(const std::string& Path) {
    fs::path path(Path);
    if (!path.has_filename()) {
        path = path.parent_path();
    }
    if (path.empty()) {
        return Fail(ENOENT);
    }
    // The missing folders, innermost first; each is made for the user alone, as the data home
    // itself should be when it has to be made.
    std::vector<fs::path> missing;
    for (fs::path p = path; !p.empty(); p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0) {
            break;
        }
        if (errno != ENOENT) {
            return Fail(errno);
        }
        missing.push_back(p);
        if (p == p.parent_path()) {
            break;
        }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            return Fail(errno);
        }
    }
    const TFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        return Fail(errno);
    }
    struct stat st {};
    if (::fstat(folder.Get(), &st) != 0) {
        return Fail(errno);
    }
    // Only a folder of the user's own is tightened; one made before as world-readable is too.
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0700 && ::fchmod(folder.Get(), 0700) != 0) {
        return Fail(errno);
    }
    return true;
}

bool WritePrivateFile(const std::string& Path, std::string_view Bytes) {
    const fs::path target(Path);
    if (!target.has_filename()) {
        return Fail(EISDIR);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".vtr-XXXXXX")).string();
    // mkostemp makes the file 0600: nobody else reads it, even while it is being written.
    TFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.IsOpen()) {
        return Fail(errno);
    }
    const auto discard = [&](int err) {
        ::unlink(temp.c_str());
        return Fail(err);
    };
    if (!WriteAll(fd.Get(), Bytes)) {
        return discard(errno);
    }
    if (::close(fd.Release()) != 0) {
        return discard(errno);
    }
    if (::rename(temp.c_str(), Path.c_str()) != 0) {
        return discard(errno);
    }
    return true;
}

} // namespace Platform
