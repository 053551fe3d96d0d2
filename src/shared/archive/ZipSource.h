#pragma once

#include <cstddef>
#include <cstdint>
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

// True when the Count bytes at Offset lie inside a source of Size bytes, without overflow.
inline bool RangeInside(std::uint64_t Offset, std::uint64_t Count, std::uint64_t Size) {
    return Offset <= Size && Count <= Size - Offset;
}

} // namespace Shared
