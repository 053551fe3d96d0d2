#pragma once

#include "shared/archive/Stream.h"
#include "shared/archive/ZipDirectory.h"
#include "shared/archive/ZipSource.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace Shared {

// Reads one entry's bytes out of an archive: finds its data behind the local header, decrypts
// it (the traditional PKWARE cipher), inflates it when it is deflated and checks its size and
// CRC. Keeps its buffers from one entry to the next. Not for use from several threads at once.
class TZipEntryReader {
public:
    // Writes the entry's plain bytes to Target at its position, never more than the directory
    // says the entry holds. True when the whole entry arrived and its CRC matched. An entry that
    // cannot be read at all (bad local header, data outside the source, a method or cipher this
    // reader lacks, no password or the wrong one) writes nothing and gives false; a damaged one
    // may have written its first bytes.
    bool Extract(const TZipSource& Source, const TZipEntry& Entry, std::string_view Password,
                 TStream& Target);

private:
    std::uint8_t* InputBuffer();
    std::uint8_t* OutputBuffer();

    std::vector<std::uint8_t> FInput;
    std::vector<std::uint8_t> FOutput;
};

} // namespace Shared
