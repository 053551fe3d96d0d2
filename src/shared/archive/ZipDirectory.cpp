#include "shared/archive/ZipDirectory.h"

#include "base/LittleEndian.h"
#include "shared/archive/ZipFormat.h"

#include <algorithm>
#include <optional>

namespace Shared {

namespace {

using namespace ZipFormat;

struct TEndRecord {
    std::uint64_t Offset = 0; // of the record itself
    std::uint16_t Entries = 0;
    std::uint32_t DirectorySize = 0;
    std::uint32_t DirectoryOffset = 0;
};

std::string ReadRange(const TZipSource& source, std::uint64_t offset, std::uint64_t count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (!source.ReadAt(offset, bytes.data(), bytes.size())) {
        throw EZipFormatError("it cannot be read");
    }
    return bytes;
}

// The end record sits in the last 22 bytes plus at most a 64 kB comment. Looking back from
// the end, the first signature whose comment reaches exactly to the last byte is the record:
// a signature that happens to appear inside data or the comment does not fit that way.
TEndRecord FindEndRecord(const TZipSource& source) {
    const std::uint64_t size = source.Size();
    if (size < EndSize) {
        throw EZipFormatError("it is too short to be a ZIP archive");
    }
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, EndSize + MaxCommentSize);
    const std::uint64_t tailOffset = size - tailSize;
    const std::string tail = ReadRange(source, tailOffset, tailSize);
    std::optional<std::size_t> at;
    for (std::size_t p = tail.size() - EndSize + 1; p-- > 0;) {
        if (GetU32(tail, p) == EndSignature &&
            GetU16(tail, p + EndCommentLength) == tail.size() - p - EndSize) {
            at = p;
            break;
        }
    }
    if (!at) {
        throw EZipFormatError("it is not a ZIP archive (no end of central directory record)");
    }
    TEndRecord end;
    end.Offset = tailOffset + *at;
    if (GetU16(tail, *at + EndDisk) != 0 || GetU16(tail, *at + EndDirectoryDisk) != 0 ||
        GetU16(tail, *at + EndEntriesOnDisk) != GetU16(tail, *at + EndEntries)) {
        throw EZipFormatError("it spans several disks, which is not supported");
    }
    end.Entries = GetU16(tail, *at + EndEntries);
    end.DirectorySize = GetU32(tail, *at + EndDirectorySize);
    end.DirectoryOffset = GetU32(tail, *at + EndDirectoryOffset);
    // An archive too large for these fields marks them all ones and keeps the real values in
    // 64-bit records that a locator right before this record points to. Unmarked fields are
    // the real values, whatever precedes the record.
    const bool marked =
        end.Entries == 0xFFFFu || end.DirectorySize == 0xFFFFFFFFu || end.DirectoryOffset == 0xFFFFFFFFu;
    if (marked && end.Offset >= Zip64LocatorSize) {
        std::string locator(4, '\0');
        if (source.ReadAt(end.Offset - Zip64LocatorSize, locator.data(), locator.size()) &&
            GetU32(locator, 0) == Zip64LocatorSignature) {
            throw EZipFormatError("it uses 64-bit ZIP records, which are not supported");
        }
    }
    return end;
}

[[noreturn]] void Damaged(std::size_t entry, const char* why) {
    throw EZipFormatError("its central directory is damaged (entry " + std::to_string(entry + 1) + ": " +
                          why + ")");
}

} // namespace

TZipDirectory ReadZipDirectory(const TZipSource& Source) {
    const TEndRecord end = FindEndRecord(Source);
    // The directory lies before its end record: that also keeps both inside the source.
    if (!RangeInside(end.DirectoryOffset, end.DirectorySize, end.Offset)) {
        throw EZipFormatError("its central directory lies outside the archive");
    }
    const std::string directory = ReadRange(Source, end.DirectoryOffset, end.DirectorySize);

    TZipDirectory result;
    result.Names.reserve(end.Entries);
    result.Entries.reserve(end.Entries);
    std::size_t at = 0;
    for (std::size_t i = 0; i < end.Entries; ++i) {
        if (directory.size() - at < CentralHeaderSize) {
            Damaged(i, "the directory ends inside its header");
        }
        if (GetU32(directory, at) != CentralHeaderSignature) {
            Damaged(i, "no header signature");
        }
        const std::size_t nameLength = GetU16(directory, at + CentralNameLength);
        const std::size_t recordSize = CentralHeaderSize + nameLength +
                                       GetU16(directory, at + CentralExtraLength) +
                                       GetU16(directory, at + CentralCommentLength);
        if (directory.size() - at < recordSize) {
            Damaged(i, "the directory ends inside its name, extra field or comment");
        }
        TZipEntry entry;
        entry.Flags = GetU16(directory, at + CentralFlags);
        entry.Method = GetU16(directory, at + CentralMethod);
        entry.DosTime = GetU16(directory, at + CentralTime);
        entry.Crc = GetU32(directory, at + CentralCrc);
        entry.CompressedSize = GetU32(directory, at + CentralCompressedSize);
        entry.Size = GetU32(directory, at + CentralSize);
        entry.LocalHeaderOffset = GetU32(directory, at + CentralLocalHeaderOffset);
        result.Names.emplace_back(directory, at + CentralHeaderSize, nameLength);
        result.Entries.push_back(entry);
        at += recordSize;
    }
    if (at != directory.size()) {
        throw EZipFormatError("its central directory holds more than its " + std::to_string(end.Entries) +
                              " entries");
    }
    return result;
}

} // namespace Shared
