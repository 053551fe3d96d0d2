#pragma once

// Reading a whole file that may come from anyone: only a regular file, and only up to a bound.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>

namespace Base {

enum class TFileRead {
    Read,     // Bytes hold the whole file
    TooLarge, // the file holds more than MaxBytes; Bytes are empty
    Failed,   // no regular file there, or it could not be read; errno says why, Bytes are empty
};

// Reads the whole regular file at Path into Bytes. Anything else is refused before it is
// opened: opening a pipe waits for a writer, and a device may never end (errno EISDIR for a
// folder, EINVAL for other kinds). A file larger than MaxBytes is read no further than it takes
// to tell, so its size never decides how much memory is taken.
inline TFileRead ReadRegularFile(const std::string& Path, std::string& Bytes,
                                 std::size_t MaxBytes = std::numeric_limits<std::size_t>::max() - 1) {
    Bytes.clear();
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(Path, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        errno = ec ? ec.value() : std::filesystem::is_directory(status) ? EISDIR : EINVAL;
        return TFileRead::Failed;
    }
    errno = 0;
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        if (errno == 0) {
            errno = EIO;
        }
        return TFileRead::Failed;
    }
    // The size said now is only a hint: the file may grow or shrink while it is read.
    if (const std::uintmax_t size = std::filesystem::file_size(Path, ec); !ec && size <= MaxBytes) {
        Bytes.reserve(static_cast<std::size_t>(size) + 1);
    }
    char buffer[65536];
    while (Bytes.size() <= MaxBytes && in.read(buffer, sizeof buffer).gcount() > 0) {
        Bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        Bytes.clear();
        errno = EIO;
        return TFileRead::Failed;
    }
    if (Bytes.size() > MaxBytes) {
        Bytes.clear();
        return TFileRead::TooLarge;
    }
    return TFileRead::Read;
}

} // namespace Base
