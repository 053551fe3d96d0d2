#pragma once

#include "platform/RandomAccessFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Shared {

// Where an archive's bytes come from. The reader asks only for ranges by offset, so a source
// may hold the archive in memory or read it from a file as entries are asked for.
class TZipSource {
public:
    virtual ~TZipSource() = default;

    virtual std::uint64_t Size() const = 0;
    // Copies the Count bytes at Offset into Target; false, with nothing copied, when that range
    // does not lie inside the source.
    virtual bool ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const = 0;

protected:
    TZipSource() = default;
    TZipSource(const TZipSource&) = default;
    TZipSource& operator=(const TZipSource&) = default;
};

// An archive already in memory. The bytes are borrowed: they must outlive the source.
class TZipMemorySource final : public TZipSource {
public:
    explicit TZipMemorySource(std::string_view Bytes) : FBytes(Bytes) {}

    std::uint64_t Size() const override { return FBytes.size(); }
    bool ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const override;

private:
    std::string_view FBytes;
};

// Part of a file, read as it is asked for: an archive appended to an executable is read where it
// lies instead of being copied into memory first.
class TZipFileSource final : public TZipSource {
public:
    // Empty when the file cannot be opened or is shorter than Offset + Size.
    static std::unique_ptr<TZipFileSource> Open(const std::string& Path, std::uint64_t Offset,
                                                std::uint64_t Size);
    ~TZipFileSource() override;

    std::uint64_t Size() const override { return FSize; }
    bool ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const override;

private:
    TZipFileSource(std::unique_ptr<Platform::TRandomAccessFile> File, std::uint64_t Offset,
                   std::uint64_t Size);

    std::unique_ptr<Platform::TRandomAccessFile> FFile;
    std::uint64_t FOffset;
    std::uint64_t FSize;
};

// True when the Count bytes at Offset lie inside a source of Size bytes, without overflow.
inline bool RangeInside(std::uint64_t Offset, std::uint64_t Count, std::uint64_t Size) {
    return Offset <= Size && Count <= Size - Offset;
}

} // namespace Shared
