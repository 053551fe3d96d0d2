#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Platform {

// A file opened once for reading at any offset, from any thread: reads never share a position.
// The file stays open while the object lives, so a file replaced on disk meanwhile is still read
// as it was when opened.
class TRandomAccessFile {
public:
    // Empty when the file cannot be opened; the reason is the last error.
    static std::unique_ptr<TRandomAccessFile> Open(const std::string& Path);
    ~TRandomAccessFile();
    TRandomAccessFile(const TRandomAccessFile&) = delete;
    TRandomAccessFile& operator=(const TRandomAccessFile&) = delete;

    std::uint64_t Size() const { return FSize; }
    // Reads exactly Count bytes at Offset; false when the file ends before or the read fails.
    bool ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const;

private:
    TRandomAccessFile(int Fd, std::uint64_t Size) : FFd(Fd), FSize(Size) {}

    int FFd;
    std::uint64_t FSize;
};

} // namespace Platform
