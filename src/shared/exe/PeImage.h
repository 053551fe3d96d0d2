#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// The bytes are not a PE image that can be read or rewritten here; the message says why.
class EPeFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPeSection {
    std::string Name; // up to 8 bytes, without the padding zeros
    std::uint32_t VirtualSize = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t SizeOfRawData = 0;
    std::uint32_t PointerToRawData = 0;
    std::uint32_t Characteristics = 0;
};

struct TDataDirectory {
    std::uint32_t VirtualAddress = 0; // a file offset for the certificate table
    std::uint32_t Size = 0;
};

// A PE image (PE32 or PE32+) held in memory: its headers, sections and data directories, and
// a rewrite that gives it a new resource section while everything else keeps its bytes.
class TPeImage {
public:
    static constexpr std::size_t CertificateDirectory = 4;
    static constexpr std::size_t ResourceDirectory = 2;
    static constexpr std::size_t BaseRelocationDirectory = 5;
    static constexpr std::size_t DebugDirectory = 6;

    // Reads the headers and the section table. Raises EPeFormatError when the bytes are no PE
    // image or a section's file bytes lie beyond the end of the file.
    explicit TPeImage(std::string Bytes);

    const std::string& Bytes() const { return FBytes; }
    bool Is64() const { return FIs64; }
    const std::vector<TPeSection>& Sections() const { return FSections; }
    std::uint32_t SectionAlignment() const { return FSectionAlignment; }
    std::uint32_t FileAlignment() const { return FFileAlignment; }
    std::uint32_t SizeOfImage() const;
    std::uint32_t SizeOfHeaders() const;
    std::uint32_t SizeOfInitializedData() const;
    std::uint32_t CheckSum() const;
    std::size_t CheckSumOffset() const { return FOptionalHeader + 64; }
    std::size_t DirectoryCount() const { return FDirectoryCount; }
    // Entry Index of the data directories; empty when the header has no such entry.
    TDataDirectory Directory(std::size_t Index) const;

    // Size bytes at Rva as the loader maps them: the file bytes of one section (or the
    // headers), then zeros up to its virtual size. Nothing when they do not lie in one piece.
    std::optional<std::string> ReadRva(std::uint32_t Rva, std::uint32_t Size) const;

    // Builds the bytes of a resource section to be loaded at Rva. Data entries hold RVAs, so
    // the bytes depend on it; their length must not.
    using TResourceBuilder = std::function<std::string(std::uint32_t Rva)>;

    // The file with the resource directory replaced by Build's bytes. The section that holds
    // only the resources takes them, growing or shrinking; the base relocations that follow it
    // move up when it outgrows its place. Where that is not possible the resources go to a new
    // section at the end of the image (the old one is renamed ".oldrsrc" and keeps its bytes).
    // Every other section keeps its address and bytes; file offsets behind the resources
    // (section data, symbol table, debug data, certificate table, anything appended) move
    // with their bytes; the image size, initialised-data size and a checksum that was set are
    // brought up to date. Raises EPeFormatError when no sound layout exists.
    std::string ReplaceResources(const TResourceBuilder& Build) const;

    // The PE checksum of File, with the field at CheckSumOffset counted as zero.
    static std::uint32_t ComputeChecksum(std::string_view File, std::size_t CheckSumOffset);

private:
    std::uint32_t HeaderU32(std::size_t OptionalOffset) const;
    std::uint64_t MappedSize(const TPeSection& Section) const;
    // Whether a data directory other than Skip (by RVA) points into the section.
    bool OtherDirectoryPointsInto(const TPeSection& Section, std::size_t Skip) const;
    std::optional<std::size_t> DedicatedResourceSection() const;
    bool IsMovableRelocationSection(std::size_t Index) const;
    std::optional<std::size_t> FileOffsetOfRva(std::uint32_t Rva) const;

    std::string FBytes;
    bool FIs64 = false;
    std::size_t FFileHeader = 0;     // COFF file header
    std::size_t FOptionalHeader = 0; // optional header
    std::size_t FSectionTable = 0;
    std::size_t FDirectories = 0; // first data directory
    std::size_t FDirectoryCount = 0;
    std::uint32_t FSectionAlignment = 0;
    std::uint32_t FFileAlignment = 0;
    std::vector<TPeSection> FSections;
};

} // namespace Shared
