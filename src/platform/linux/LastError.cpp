#include "platform/LastError.h"

#include <cstring>

namespace Platform {

namespace {
thread_local std::string lastError;
}

const std::string& LastErrorText() {
    return lastError;
}

void SetLastErrorText(std::string Text) {
    lastError = std::move(Text);
}

void SetLastErrorFromErrno(int Errno) {
    lastError = std::strerror(Errno);
}

} // namespace Platform
