#pragma once

#include <unistd.h>

namespace Platform {

// Owns one file descriptor and closes it when it goes.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int Fd) : FFd(Fd) {}
    TUniqueFd(TUniqueFd&& Other) noexcept : FFd(Other.Release()) {}
    TUniqueFd& operator=(TUniqueFd&& Other) noexcept {
        if (this != &Other) {
            Reset(Other.Release());
        }
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd() { Reset(); }

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }
    void Reset(int Fd = -1) {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = Fd;
    }

private:
    int FFd = -1;
};

} // namespace Platform
