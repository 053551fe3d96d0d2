#include "platform/RandomAccessFile.h"

#include "platform/LastError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

std::unique_ptr<TRandomAccessFile> TRandomAccessFile::Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastErrorFromErrno(errno != 0 ? errno : EINVAL);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TRandomAccessFile>(
        new TRandomAccessFile(fd, static_cast<std::uint64_t>(st.st_size)));
}

TRandomAccessFile::~TRandomAccessFile() {
    ::close(FFd);
}

bool TRandomAccessFile::ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const {
    auto* target = static_cast<char*>(Target);
    while (Count > 0) {
        const ssize_t n = ::pread(FFd, target, Count, static_cast<off_t>(Offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        target += n;
        Offset += static_cast<std::uint64_t>(n);
        Count -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace Platform
