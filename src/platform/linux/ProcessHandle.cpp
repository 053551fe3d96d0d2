#include "platform/ProcessHandle.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform {

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

std::unique_ptr<TProcessHandle> TProcessHandle::Open(std::uint32_t ProcessId) {
    if (ProcessId == 0) {
        return nullptr;
    }
    // A pidfd, not the bare id: it stays bound to this process whatever happens to the id.
    const long fd = syscall(SYS_pidfd_open, static_cast<pid_t>(ProcessId), 0);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<TProcessHandle>(new TProcessHandle(static_cast<int>(fd)));
}

TProcessHandle::~TProcessHandle() {
    close(FDescriptor);
}

bool TProcessHandle::WaitForExit(int TimeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{FDescriptor, POLLIN, 0};
        const int ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool TProcessHandle::Terminate() {
    return syscall(SYS_pidfd_send_signal, FDescriptor, SIGKILL, nullptr, 0) == 0;
}

} // namespace Platform
