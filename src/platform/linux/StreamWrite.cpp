#include "platform/linux/StreamWrite.h"

#include "platform/LastError.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace Platform {

namespace {

constexpr int StallMilliseconds = 5000;

// Holds SIGPIPE off this thread while it lives; a SIGPIPE raised meanwhile by this thread's own
// write is taken away before the mask is restored, so it is never delivered.
class TSigPipeHold {
public:
    TSigPipeHold() {
        sigemptyset(&FPipe);
        sigaddset(&FPipe, SIGPIPE);
        sigset_t pending;
        FWasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
    }
    TSigPipeHold(const TSigPipeHold&) = delete;
    TSigPipeHold& operator=(const TSigPipeHold&) = delete;
    ~TSigPipeHold() {
        if (FRaised && !FWasPending) {
            const timespec now{};
            while (sigtimedwait(&FPipe, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
    }
    void Raised() { FRaised = true; }

private:
    sigset_t FPipe{};
    sigset_t FOld{};
    bool FWasPending = false;
    bool FRaised = false;
};

} // namespace

bool WriteToReader(int Fd, std::string_view Bytes) {
    TSigPipeHold hold;
    while (!Bytes.empty()) {
        const ssize_t n = ::write(Fd, Bytes.data(), Bytes.size());
        if (n >= 0) {
            Bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EPIPE) {
            hold.Raised();
            SetLastErrorText("The reader closed the pipe before it had read everything");
            return false;
        }
        if (errno != EAGAIN) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        pollfd wait{Fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, StallMilliseconds);
        if (ready == 0) {
            SetLastErrorText("The reader took nothing for " + std::to_string(StallMilliseconds / 1000) +
                             " seconds; the write was given up");
            return false;
        }
        if (ready < 0 && errno != EINTR) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
    return true;
}

} // namespace Platform
