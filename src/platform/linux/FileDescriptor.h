#pragma once

#include <unistd.h>
#include <utility>

namespace Platform {

// Owns one open file descriptor; -1 holds none.
class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : FFd(fd) {}
    TFd(TFd&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    TFd& operator=(TFd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.FFd, -1));
        }
        return *this;
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Reset(); }

    int Get() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    int Release() { return std::exchange(FFd, -1); }
    void Reset(int fd = -1) {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = fd;
    }

private:
    int FFd = -1;
};

} // namespace Platform
