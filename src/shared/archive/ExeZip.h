#pragma once

#include "shared/archive/Stream.h"
#include "shared/archive/ZipEntryStream.h"
#include "shared/archive/ZipSource.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// The bytes handed to TExeZip::Open are not a readable ZIP archive.
class EExeZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the application archive: entries stored or deflated, plain or under the traditional
// PKWARE cipher. Entries are found by name ignoring the case of ASCII letters. A missing entry
// writes nothing; a damaged or wrongly encrypted one never raises: its target gets no data or
// part of it, and LastCrcOk tells whether the whole entry arrived intact. Not for use from
// several threads at once; the entry streams it opens are, one thread each.
class TExeZip {
public:
    TExeZip();
    ~TExeZip();
    TExeZip(const TExeZip&) = delete;
    TExeZip& operator=(const TExeZip&) = delete;

    // The password of encrypted entries; set it before opening.
    void SetPassword(std::string_view Password);

    // Opens the archive held in Stream's memory (the stream's position does not matter). The
    // reader borrows those bytes: the stream must stay unchanged and alive while the reader is
    // open. Raises EExeZipError when they are not a ZIP archive.
    void Open(const TMemoryStream& Stream);
    void Open(TMemoryStream&& Stream) = delete; // the bytes must outlive the reader
    void Open(std::string_view Bytes);
    // Opens the archive that Source gives; entries are read from it as they are asked for.
    void Open(std::unique_ptr<TZipSource> Source);
    void Close();
    bool Active() const;

    // Index of the entry whose stored name equals Name ignoring ASCII case, or -1. When names
    // differ only in case, the first in archive order wins.
    std::int64_t FindFile(std::string_view Name) const;
    // Writes the entry's decrypted, uncompressed bytes to Stream at its position.
    void ExtractToStream(std::string_view Name, TStream& Stream);
    // The entry's bytes; empty when it is missing.
    std::string ExtractToString(std::string_view Name);
    // The entry's bytes read as they are asked for, from any one thread, also after the reader
    // is closed; a damaged entry fails its last read instead of ending as if whole. Empty when
    // the entry is missing or cannot be read at all.
    std::unique_ptr<TZipEntryStream> OpenEntry(std::string_view Name) const;
    // True when the last extraction delivered a whole entry whose CRC matched.
    bool LastCrcOk() const;

    // True when the file at Path holds the entry's bytes (same size and CRC), read without
    // decrypting the entry.
    bool SameAsFile(std::string_view Name, const std::string& Path) const;
    // Entry names as stored, in archive order (indices as FindFile returns them).
    const std::vector<std::string>& FileNames() const;
    std::int64_t FileCount() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace Shared
