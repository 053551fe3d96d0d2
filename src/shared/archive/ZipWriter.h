#pragma once

#include "shared/archive/Stream.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

class EZipWriterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes an application archive in the one layout the runtime relies on: every entry stored
// and encrypted with the traditional PKWARE cipher, flags 0x0009 with no data descriptor
// behind the data, version 20, the fixed date and noon time, folder entries with attribute
// 0x10, no extra fields and no comment. The same calls give the same bytes.
class TZipWriter {
public:
    struct TEntry {
        std::string Name;
        std::uint32_t Crc = 0;
        std::uint32_t Size = 0;
        std::uint32_t Offset = 0; // of the local header, from the archive's first byte
        bool IsFolder = false;
    };

    // The archive begins at Target's position and its offsets count from there. Target must
    // be seekable: each local header gets its CRC once the entry's data has passed.
    TZipWriter(TStream& Target, std::string_view Password);

    // Name is stored with a trailing "/" (added when missing).
    void AddFolder(std::string_view Name);
    // Stores exactly Size bytes read from Source; a source that ends early or holds more
    // raises EZipWriterError (a file that changed while it was packed).
    void AddFile(std::string_view Name, TStream& Source, std::uint64_t Size);
    void AddFile(std::string_view Name, std::string_view Bytes);
    // Writes the central directory and the end record. Nothing may be added afterwards.
    void Finish();

    const std::vector<TEntry>& Entries() const { return FEntries; }
    // Bytes written so far; after Finish, the archive's size.
    std::uint64_t Size() const { return FWritten; }

private:
    void AddEntry(std::string_view Name, TStream* Source, std::uint64_t Size, bool IsFolder);
    void Put(const void* Data, std::size_t Count);
    std::uint32_t Offset32(std::uint64_t Value) const;

    TStream& FTarget;
    std::string FPassword;
    std::uint64_t FWritten = 0;
    std::vector<TEntry> FEntries;
    bool FFinished = false;
};

} // namespace Shared
