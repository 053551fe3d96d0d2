#pragma once

#include "shared/archive/ZipSource.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace Shared {

// The bytes are not a ZIP archive this reader can open; the message says why, in words for
// the user ("it is not a ZIP archive").
class EZipFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One entry as the central directory describes it. The directory's values are the ones that
// count: with the data-descriptor flag, the local header may hold zeros.
struct TZipEntry {
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint16_t DosTime = 0;
    std::uint32_t Crc = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t Size = 0;
    std::uint64_t LocalHeaderOffset = 0;
};

struct TZipDirectory {
    std::vector<std::string> Names; // as stored, in archive order
    std::vector<TZipEntry> Entries; // the same order
};

// Reads the end record and the central directory of the archive in Source. Every offset and
// length is checked against the source: a damaged or hostile archive raises EZipFormatError,
// never reads outside it. Entries are not touched; their local headers are checked when read.
TZipDirectory ReadZipDirectory(const TZipSource& Source);

} // namespace Shared
