#include "shared/archive/ZipWriter.h"

#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ZipCrypto.h"
#include "shared/text/TrailingSlash.h"

#include <algorithm>
#include <array>
#include <limits>
#include <zlib.h>

namespace Shared {

namespace {

constexpr std::uint16_t Version = 20;
constexpr std::uint16_t Flags = 0x0009; // encrypted; data-descriptor bit, though none follows
constexpr std::uint32_t FolderAttribute = 0x10;
constexpr std::size_t Chunk = 64 * 1024;

class TBytes {
public:
    void U16(std::uint32_t v) {
        FData += static_cast<char>(v & 0xFF);
        FData += static_cast<char>((v >> 8) & 0xFF);
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(std::string_view v) { FData += v; }
    const std::string& Data() const { return FData; }

private:
    std::string FData;
};

// The eleven "random" bytes of an encryption header, made from the entry itself so that the
// archive is reproducible. They hide nothing: the cipher is not protection.
std::array<std::uint8_t, TZipCrypto::HeaderSize> MakeHeader(std::string_view name, std::uint64_t size) {
    std::uint64_t state = 0xCBF29CE484222325ull;
    for (const char c : name) {
        state = (state ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ull;
    }
    state ^= size * 0x9E3779B97F4A7C15ull;
    std::array<std::uint8_t, TZipCrypto::HeaderSize> header{};
    for (std::size_t i = 0; i + 1 < header.size(); ++i) {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        header[i] = static_cast<std::uint8_t>(z >> 56);
    }
    // With the data-descriptor bit set, readers check the last byte against the time.
    header.back() = static_cast<std::uint8_t>(Archive::DosTime >> 8);
    return header;
}

} // namespace

TZipWriter::TZipWriter(TStream& Target, std::string_view Password) : FTarget(Target), FPassword(Password) {}

std::uint32_t TZipWriter::Offset32(std::uint64_t Value) const {
    if (Value > std::numeric_limits<std::uint32_t>::max()) {
        throw EZipWriterError("The archive would exceed 4 GiB, which this archive format cannot hold");
    }
    return static_cast<std::uint32_t>(Value);
}

void TZipWriter::Put(const void* Data, std::size_t Count) {
    FTarget.Write(Data, Count);
    FWritten += Count;
}

void TZipWriter::AddFolder(std::string_view Name) {
    AddEntry(WithTrailingSlash(std::string(Name)), nullptr, 0, true);
}

void TZipWriter::AddFile(std::string_view Name, TStream& Source, std::uint64_t Size) {
    AddEntry(Name, &Source, Size, false);
}

void TZipWriter::AddFile(std::string_view Name, std::string_view Bytes) {
    TMemoryStream source{std::string(Bytes)};
    AddEntry(Name, &source, Bytes.size(), false);
}

void TZipWriter::AddEntry(std::string_view Name, TStream* Source, std::uint64_t Size, bool IsFolder) {
    if (FFinished) {
        throw EZipWriterError("The archive is already finished");
    }
    if (Name.empty() || Name.size() > 0xFFFF) {
        throw EZipWriterError("Invalid entry name length: \"" + std::string(Name.substr(0, 80)) + "\"");
    }
    if (FEntries.size() >= 0xFFFF) {
        throw EZipWriterError("Too many entries: this archive format holds at most 65535");
    }
    if (Size > std::numeric_limits<std::uint32_t>::max() - TZipCrypto::HeaderSize) {
        throw EZipWriterError("\"" + std::string(Name) + "\" is too large: entries hold less than 4 GiB");
    }

    TEntry entry;
    entry.Name = std::string(Name);
    entry.Size = static_cast<std::uint32_t>(Size);
    entry.Offset = Offset32(FWritten);
    entry.IsFolder = IsFolder;

    TBytes local;
    local.U32(0x04034B50);
    local.U16(Version);
    local.U16(Flags);
    local.U16(0); // stored
    local.U16(Archive::DosTime);
    local.U16(Archive::DosDate);
    local.U32(0); // CRC, written once the data has passed
    local.U32(static_cast<std::uint32_t>(Size + TZipCrypto::HeaderSize));
    local.U32(static_cast<std::uint32_t>(Size));
    local.U16(static_cast<std::uint32_t>(Name.size()));
    local.U16(0);
    local.Text(Name);
    const std::int64_t crcAt = FTarget.Position() + 14;
    Put(local.Data().data(), local.Data().size());

    TZipCrypto cipher(FPassword);
    auto header = MakeHeader(Name, Size);
    cipher.Encrypt(header.data(), header.size());
    Put(header.data(), header.size());

    uLong crc = crc32(0L, Z_NULL, 0);
    if (Source != nullptr) {
        std::string buffer(Chunk, '\0');
        auto* bytes = reinterpret_cast<std::uint8_t*>(buffer.data());
        std::uint64_t left = Size;
        while (left > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, Chunk));
            const std::size_t got = Source->Read(bytes, want);
            if (got == 0) {
                throw EZipWriterError("\"" + entry.Name + "\" ended before its " + std::to_string(Size) +
                                      " bytes were read; was it changed while being packed?");
            }
            crc = crc32(crc, bytes, static_cast<uInt>(got));
            cipher.Encrypt(bytes, got);
            Put(bytes, got);
            left -= got;
        }
        std::uint8_t extra = 0;
        if (Source->Read(&extra, 1) != 0) {
            throw EZipWriterError("\"" + entry.Name + "\" holds more than its " + std::to_string(Size) +
                                  " bytes; was it changed while being packed?");
        }
    }
    entry.Crc = static_cast<std::uint32_t>(crc);

    if (entry.Crc != 0) {
        TBytes value;
        value.U32(entry.Crc);
        const std::int64_t end = FTarget.Position();
        FTarget.SetPosition(crcAt);
        FTarget.Write(value.Data());
        FTarget.SetPosition(end);
    }
    FEntries.push_back(std::move(entry));
}

void TZipWriter::Finish() {
    if (FFinished) {
        return;
    }
    const std::uint32_t directoryOffset = Offset32(FWritten);
    TBytes directory;
    for (const TEntry& e : FEntries) {
        directory.U32(0x02014B50);
        directory.U16(Version); // made by: MS-DOS attributes, version 2.0
        directory.U16(Version);
        directory.U16(Flags);
        directory.U16(0);
        directory.U16(Archive::DosTime);
        directory.U16(Archive::DosDate);
        directory.U32(e.Crc);
        directory.U32(e.Size + static_cast<std::uint32_t>(TZipCrypto::HeaderSize));
        directory.U32(e.Size);
        directory.U16(static_cast<std::uint32_t>(e.Name.size()));
        directory.U16(0); // extra
        directory.U16(0); // comment
        directory.U16(0); // disk
        directory.U16(0); // internal attributes
        directory.U32(e.IsFolder ? FolderAttribute : 0);
        directory.U32(e.Offset);
        directory.Text(e.Name);
    }
    const std::uint64_t directorySize = directory.Data().size();
    Offset32(FWritten + directorySize);
    directory.U32(0x06054B50);
    directory.U16(0);
    directory.U16(0);
    directory.U16(static_cast<std::uint32_t>(FEntries.size()));
    directory.U16(static_cast<std::uint32_t>(FEntries.size()));
    directory.U32(static_cast<std::uint32_t>(directorySize));
    directory.U32(directoryOffset);
    directory.U16(0); // no comment
    Put(directory.Data().data(), directory.Data().size());
    FFinished = true;
}

} // namespace Shared
