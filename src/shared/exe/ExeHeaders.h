#pragma once

#include "shared/archive/Stream.h"

#include <cstdint>
#include <optional>

namespace Shared {

// Where an executable image ends in its file, read from its own headers: the attached stub
// offset S, behind which an application archive is appended. S may lie beyond the end of a
// file that is shorter than its headers claim. Nothing is returned when the bytes are not an
// image of a known format or its first headers are cut off.
class TExeHeaders {
public:
    TExeHeaders() = delete;

    // ELF or PE, told apart by the first bytes.
    static std::optional<std::uint64_t> GetImageEnd(TStream& Image);

    // ELF (32 or 64 bit, either byte order): the largest end of the ELF header, the program
    // and section header tables, every segment's file bytes and every section's file bytes
    // (sections without file bytes excluded).
    static std::optional<std::uint64_t> GetElfImageEnd(TStream& Image);

    // PE: the largest PointerToRawData + SizeOfRawData over the section table, and never less
    // than the end of the section table itself.
    static std::optional<std::uint64_t> GetPeImageEnd(TStream& Image);
};

} // namespace Shared
