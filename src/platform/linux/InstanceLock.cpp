#include "platform/InstanceLock.h"

#include "platform/LastError.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform {

namespace {

// FNV-1a: a long name is shortened to a fixed-size digest that still tells names apart.
std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

} // namespace

bool TryAcquireInstanceLock(const std::string& Name) {
    // An abstract socket: the kernel frees the name when the process ends, however it ends.
    std::string key = "vtr/" + std::to_string(::getuid()) + "/" + Name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t room = sizeof(address.sun_path) - 1;
    if (key.size() > room) {
        char digest[32];
        std::snprintf(digest, sizeof digest, "#%016llx", static_cast<unsigned long long>(Fnv1a(key)));
        key = key.substr(0, room - std::strlen(digest)) + digest;
    }
    std::memcpy(address.sun_path + 1, key.data(), key.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return true;
    }
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + key.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int err = errno;
        SetLastErrorFromErrno(err);
        ::close(fd);
        // Only a name in use means another instance; any other failure must not lock the user out.
        return err != EADDRINUSE;
    }
    // The socket stays open, deliberately, for the life of the process: it is the lock.
    return true;
}

} // namespace Platform
