#include "platform/Files.h"

#include "platform/LastError.h"

#include <cerrno>
#include <unistd.h>

namespace Platform {

bool DeleteFile(const std::string& Path) {
    if (::unlink(Path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

} // namespace Platform
