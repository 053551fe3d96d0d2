#include "shared/exe/PeImage.h"

#include "base/LittleEndian.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace Shared {

namespace {

constexpr std::size_t SectionHeaderSize = 40;
constexpr std::uint32_t ScnInitializedData = 0x00000040;
constexpr std::uint32_t ScnMemRead = 0x40000000;
constexpr std::size_t DebugEntrySize = 28;
constexpr std::uint64_t Max32 = std::numeric_limits<std::uint32_t>::max();

bool IsPowerOfTwo(std::uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// A section header as it will be written: the parsed fields plus where it sits in the file.
struct TLayoutSection {
    TPeSection Section;
    std::uint64_t VirtualAddress;
    std::uint64_t PointerToRawData;
    std::uint64_t SizeOfRawData;
    std::uint64_t VirtualSize;
};

} // namespace

TPeImage::TPeImage(std::string Bytes) : FBytes(std::move(Bytes)) {
    const std::string_view b = FBytes;
    if (b.size() < 0x40 || b.substr(0, 2) != "MZ") {
        throw EPeFormatError("not a PE image: no MZ header");
    }
    const std::uint64_t peHeader = GetU32(b, 0x3C);
    if (peHeader + 24 > b.size() ||
        b.substr(static_cast<std::size_t>(peHeader), 4) != std::string_view("PE\0\0", 4)) {
        throw EPeFormatError("not a PE image: no PE signature");
    }
    FFileHeader = static_cast<std::size_t>(peHeader) + 4;
    const std::size_t sectionCount = GetU16(b, FFileHeader + 2);
    const std::size_t optionalSize = GetU16(b, FFileHeader + 16);
    FOptionalHeader = FFileHeader + 20;
    if (FOptionalHeader + optionalSize > b.size() || optionalSize < 2) {
        throw EPeFormatError("not a PE image: the optional header is cut off");
    }
    const std::uint16_t magic = GetU16(b, FOptionalHeader);
    if (magic != 0x10B && magic != 0x20B) {
        throw EPeFormatError("not a PE image: unknown optional header magic");
    }
    FIs64 = magic == 0x20B;
    const std::size_t countAt = FIs64 ? 108 : 92;
    if (optionalSize < countAt + 4) {
        throw EPeFormatError("not a PE image: the optional header is too short");
    }
    FDirectories = FOptionalHeader + countAt + 4;
    FDirectoryCount =
        std::min<std::size_t>(GetU32(b, FOptionalHeader + countAt), (optionalSize - countAt - 4) / 8);
    FSectionAlignment = GetU32(b, FOptionalHeader + 32);
    FFileAlignment = GetU32(b, FOptionalHeader + 36);
    if (!IsPowerOfTwo(FSectionAlignment) || !IsPowerOfTwo(FFileAlignment)) {
        throw EPeFormatError("not a PE image: the section or file alignment is not a power of two");
    }
    if (GetU32(b, FOptionalHeader + 60) > b.size()) {
        throw EPeFormatError("not a PE image: the headers are cut off");
    }
    FSectionTable = FOptionalHeader + optionalSize;
    if (FSectionTable + sectionCount * SectionHeaderSize > b.size()) {
        throw EPeFormatError("not a PE image: the section table is cut off");
    }
    // The headers reach at least to the end of the section table, whatever size they declare.
    const std::uint64_t headersEnd = std::max<std::uint64_t>(
        GetU32(b, FOptionalHeader + 60), FSectionTable + sectionCount * SectionHeaderSize);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = FSectionTable + i * SectionHeaderSize;
        TPeSection s;
        s.Name = std::string(b.substr(at, 8));
        s.Name.resize(std::min(s.Name.find('\0'), s.Name.size()));
        s.VirtualSize = GetU32(b, at + 8);
        s.VirtualAddress = GetU32(b, at + 12);
        s.SizeOfRawData = GetU32(b, at + 16);
        s.PointerToRawData = GetU32(b, at + 20);
        s.Characteristics = GetU32(b, at + 36);
        if (s.SizeOfRawData > 0 &&
            static_cast<std::uint64_t>(s.PointerToRawData) + s.SizeOfRawData > b.size()) {
            throw EPeFormatError("the section \"" + s.Name + "\" ends past the end of the file");
        }
        if (s.SizeOfRawData > 0 && s.PointerToRawData < headersEnd) {
            throw EPeFormatError("the section \"" + s.Name + "\" overlaps the headers");
        }
        FSections.push_back(std::move(s));
    }
    // The loader refuses sections that share addresses; so does the rewrite, which relies on it.
    std::vector<const TPeSection*> byAddress;
    for (const TPeSection& s : FSections) {
        byAddress.push_back(&s);
    }
    std::sort(byAddress.begin(), byAddress.end(),
              [](const TPeSection* x, const TPeSection* y) { return x->VirtualAddress < y->VirtualAddress; });
    for (std::size_t i = 1; i < byAddress.size(); ++i) {
        if (byAddress[i - 1]->VirtualAddress + MappedSize(*byAddress[i - 1]) > byAddress[i]->VirtualAddress) {
            throw EPeFormatError("the sections \"" + byAddress[i - 1]->Name + "\" and \"" +
                                 byAddress[i]->Name + "\" overlap in memory");
        }
    }
}

std::uint32_t TPeImage::HeaderU32(std::size_t OptionalOffset) const {
    return GetU32(FBytes, FOptionalHeader + OptionalOffset);
}

std::uint32_t TPeImage::SizeOfImage() const {
    return HeaderU32(56);
}
std::uint32_t TPeImage::SizeOfHeaders() const {
    return HeaderU32(60);
}
std::uint32_t TPeImage::SizeOfInitializedData() const {
    return HeaderU32(8);
}
std::uint32_t TPeImage::CheckSum() const {
    return HeaderU32(64);
}

TDataDirectory TPeImage::Directory(std::size_t Index) const {
    if (Index >= FDirectoryCount) {
        return {};
    }
    const std::size_t at = FDirectories + Index * 8;
    return {GetU32(FBytes, at), GetU32(FBytes, at + 4)};
}

std::uint64_t TPeImage::MappedSize(const TPeSection& Section) const {
    return Section.VirtualSize != 0 ? Section.VirtualSize : Section.SizeOfRawData;
}

std::optional<std::string> TPeImage::ReadRva(std::uint32_t Rva, std::uint32_t Size) const {
    const std::uint64_t end = static_cast<std::uint64_t>(Rva) + Size;
    if (end <= SizeOfHeaders() && end <= FBytes.size()) {
        return FBytes.substr(Rva, Size);
    }
    for (const TPeSection& s : FSections) {
        if (Rva < s.VirtualAddress || end > s.VirtualAddress + MappedSize(s)) {
            continue;
        }
        const std::uint64_t offset = Rva - s.VirtualAddress;
        std::string out(Size, '\0');
        if (offset < s.SizeOfRawData) {
            const std::uint64_t fromFile = std::min<std::uint64_t>(Size, s.SizeOfRawData - offset);
            std::copy_n(FBytes.begin() + static_cast<std::ptrdiff_t>(s.PointerToRawData + offset), fromFile,
                        out.begin());
        }
        return out;
    }
    return std::nullopt;
}

std::optional<std::size_t> TPeImage::FileOffsetOfRva(std::uint32_t Rva) const {
    for (const TPeSection& s : FSections) {
        if (Rva >= s.VirtualAddress && Rva - s.VirtualAddress < s.SizeOfRawData) {
            return static_cast<std::size_t>(s.PointerToRawData) + (Rva - s.VirtualAddress);
        }
    }
    return std::nullopt;
}

bool TPeImage::OtherDirectoryPointsInto(const TPeSection& Section, std::size_t Skip) const {
    for (std::size_t i = 0; i < FDirectoryCount; ++i) {
        const TDataDirectory d = Directory(i);
        if (i == Skip || i == CertificateDirectory || d.VirtualAddress == 0) {
            continue;
        }
        if (d.VirtualAddress >= Section.VirtualAddress &&
            d.VirtualAddress < Section.VirtualAddress + MappedSize(Section)) {
            return true;
        }
    }
    return false;
}

// The section that begins with the resource directory, holds nothing another directory names,
// and whose file bytes no other section shares: the one the new resources may replace.
std::optional<std::size_t> TPeImage::DedicatedResourceSection() const {
    const TDataDirectory res = Directory(ResourceDirectory);
    if (res.VirtualAddress == 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        const TPeSection& s = FSections[i];
        if (s.VirtualAddress != res.VirtualAddress || s.SizeOfRawData == 0 ||
            OtherDirectoryPointsInto(s, ResourceDirectory)) {
            continue;
        }
        const std::uint64_t start = s.PointerToRawData;
        const std::uint64_t end = start + s.SizeOfRawData;
        const bool shared = std::any_of(FSections.begin(), FSections.end(), [&](const TPeSection& o) {
            return &o != &s && o.SizeOfRawData > 0 &&
                   o.PointerToRawData<end&& static_cast<std::uint64_t>(o.PointerToRawData) + o.SizeOfRawData>
                       start;
        });
        return shared ? std::nullopt : std::optional<std::size_t>(i);
    }
    return std::nullopt;
}

// Base relocations name pages of other sections, never their own place, so a section that
// holds only them can move to another address once the directory follows it.
bool TPeImage::IsMovableRelocationSection(std::size_t Index) const {
    const TPeSection& s = FSections[Index];
    const TDataDirectory rel = Directory(BaseRelocationDirectory);
    return rel.VirtualAddress == s.VirtualAddress && rel.Size > 0 &&
           static_cast<std::uint64_t>(rel.VirtualAddress) + rel.Size <= s.VirtualAddress + MappedSize(s) &&
           !OtherDirectoryPointsInto(s, BaseRelocationDirectory);
}

std::uint32_t TPeImage::ComputeChecksum(std::string_view File, std::size_t CheckSumOffset) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < File.size(); i += 2) {
        if (i == CheckSumOffset || i == CheckSumOffset + 2) {
            continue;
        }
        std::uint32_t word = static_cast<std::uint8_t>(File[i]);
        if (i + 1 < File.size()) {
            word |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(File[i + 1])) << 8;
        }
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + File.size());
}

std::string TPeImage::ReplaceResources(const TResourceBuilder& Build) const {
    if (FDirectoryCount <= ResourceDirectory) {
        throw EPeFormatError("the image has no resource directory entry");
    }
    if (FSectionAlignment < 4096) {
        // Such images are mapped as their file is laid out; moving file bytes would break them.
        throw EPeFormatError("images with a section alignment below 4096 bytes are not rewritten");
    }
    const std::uint64_t sa = FSectionAlignment;
    const std::uint64_t fa = FFileAlignment;

    std::vector<TLayoutSection> layout;
    for (const TPeSection& s : FSections) {
        layout.push_back({s, s.VirtualAddress, s.PointerToRawData, s.SizeOfRawData, s.VirtualSize});
    }
    std::vector<std::size_t> byAddress(FSections.size());
    std::iota(byAddress.begin(), byAddress.end(), std::size_t{0});
    std::stable_sort(byAddress.begin(), byAddress.end(), [&](std::size_t a, std::size_t b) {
        return FSections[a].VirtualAddress < FSections[b].VirtualAddress;
    });

    TDataDirectory relocations = Directory(BaseRelocationDirectory);
    std::uint64_t resourceRva = 0;
    std::string built;
    // File bytes [cutStart, cutEnd) give way to `inserted`; everything from cutEnd moves by shift.
    std::uint64_t cutStart = 0;
    std::uint64_t cutEnd = 0;
    std::string inserted;
    std::int64_t initializedDelta = 0;
    bool addSection = false;
    std::optional<std::size_t> renamed;

    const std::optional<std::size_t> own = DedicatedResourceSection();
    if (own) {
        const TPeSection& k = FSections[*own];
        built = Build(k.VirtualAddress);
        const std::uint64_t n = built.size();
        // Where the sections behind it sit, and how far they may go: base relocations move,
        // anything else is a wall.
        const auto pos = std::find(byAddress.begin(), byAddress.end(), *own) - byAddress.begin();
        std::vector<std::size_t> movable;
        std::uint64_t wall = std::numeric_limits<std::uint64_t>::max();
        for (auto i = static_cast<std::size_t>(pos) + 1; i < byAddress.size(); ++i) {
            if (IsMovableRelocationSection(byAddress[i])) {
                movable.push_back(byAddress[i]);
                continue;
            }
            wall = FSections[byAddress[i]].VirtualAddress;
            break;
        }
        std::uint64_t end = k.VirtualAddress + n;
        bool fits = true;
        if (!movable.empty() && end > FSections[movable.front()].VirtualAddress) {
            std::uint64_t cursor = end;
            for (std::size_t m : movable) {
                const std::uint64_t at = AlignUp(cursor, sa);
                layout[m].VirtualAddress = at;
                cursor = at + MappedSize(FSections[m]);
            }
            fits = cursor <= wall;
        } else if (movable.empty()) {
            fits = end <= wall;
        }
        if (fits) {
            for (std::size_t m : movable) {
                relocations.VirtualAddress = static_cast<std::uint32_t>(layout[m].VirtualAddress);
            }
            resourceRva = k.VirtualAddress;
            const std::uint64_t oldRaw = k.SizeOfRawData;
            // The new size keeps the old one's remainder, so every later offset stays aligned.
            const std::uint64_t rest = oldRaw % fa;
            const std::uint64_t raw = n <= rest ? rest : AlignUp(n - rest, fa) + rest;
            cutStart = k.PointerToRawData;
            cutEnd = cutStart + oldRaw;
            inserted = built;
            inserted.resize(static_cast<std::size_t>(raw), '\0');
            layout[*own].SizeOfRawData = raw;
            layout[*own].VirtualSize = n;
            if (k.Characteristics & ScnInitializedData) {
                initializedDelta = static_cast<std::int64_t>(raw) - static_cast<std::int64_t>(oldRaw);
            }
        } else {
            for (std::size_t m : movable) {
                layout[m].VirtualAddress = FSections[m].VirtualAddress;
            }
            addSection = true;
            renamed = own;
        }
    } else {
        addSection = true;
    }

    if (addSection) {
        const std::size_t tableEnd = FSectionTable + FSections.size() * SectionHeaderSize;
        std::uint64_t firstRaw = SizeOfHeaders();
        std::uint64_t imageEnd = SizeOfHeaders();
        std::uint64_t addressEnd = AlignUp(SizeOfHeaders(), sa);
        for (const TPeSection& s : FSections) {
            if (s.SizeOfRawData > 0) {
                firstRaw = std::min<std::uint64_t>(firstRaw, s.PointerToRawData);
                imageEnd = std::max<std::uint64_t>(imageEnd, s.PointerToRawData + s.SizeOfRawData);
            }
            addressEnd = std::max(addressEnd, s.VirtualAddress + MappedSize(s));
        }
        // The next header slot must be free: inside the headers, before any section's bytes, unused.
        if (tableEnd + SectionHeaderSize > std::min<std::uint64_t>(firstRaw, FBytes.size()) ||
            std::string_view(FBytes).substr(tableEnd, SectionHeaderSize).find_first_not_of('\0') !=
                std::string_view::npos) {
            throw EPeFormatError("the headers have no room for another section");
        }
        resourceRva = AlignUp(addressEnd, sa);
        built = Build(static_cast<std::uint32_t>(std::min(resourceRva, Max32)));
        const std::uint64_t raw = AlignUp(built.size(), fa);
        const std::uint64_t at = AlignUp(imageEnd, fa);
        cutStart = imageEnd;
        cutEnd = imageEnd;
        inserted.assign(static_cast<std::size_t>(at - imageEnd), '\0');
        inserted += built;
        inserted.resize(static_cast<std::size_t>(at - imageEnd + raw), '\0');
        TPeSection added;
        added.Name = ".rsrc";
        added.Characteristics = ScnInitializedData | ScnMemRead;
        layout.push_back({added, resourceRva, at, raw, built.size()});
        initializedDelta = static_cast<std::int64_t>(raw);
    }

    const std::int64_t shift =
        static_cast<std::int64_t>(inserted.size()) - static_cast<std::int64_t>(cutEnd - cutStart);
    const auto moved = [&](std::uint64_t offset) {
        return offset >= cutEnd ? static_cast<std::uint64_t>(static_cast<std::int64_t>(offset) + shift)
                                : offset;
    };

    std::string out = FBytes.substr(0, static_cast<std::size_t>(cutStart));
    out += inserted;
    out.append(FBytes, static_cast<std::size_t>(cutEnd));

    // Section headers.
    std::uint64_t imageSize = AlignUp(SizeOfHeaders(), sa);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        TLayoutSection& l = layout[i];
        const bool isAdded = i >= FSections.size();
        if (!isAdded && l.SizeOfRawData > 0 && (!own || i != *own || addSection)) {
            l.PointerToRawData = moved(l.PointerToRawData);
        }
        const std::uint64_t mapped = l.VirtualSize != 0 ? l.VirtualSize : l.SizeOfRawData;
        imageSize = std::max(imageSize, AlignUp(l.VirtualAddress + mapped, sa));
        if (l.VirtualAddress > Max32 || l.PointerToRawData > Max32 || l.SizeOfRawData > Max32 ||
            l.VirtualSize > Max32) {
            throw EPeFormatError("the rewritten image would not fit in 32-bit offsets");
        }
        const std::size_t at = FSectionTable + i * SectionHeaderSize;
        if (isAdded || (renamed && i == *renamed)) {
            std::string name = isAdded ? l.Section.Name : std::string(".oldrsrc");
            name.resize(8, '\0');
            out.replace(at, 8, name);
        }
        if (isAdded) {
            PutU32(out, at + 24, 0);
            PutU32(out, at + 28, 0);
            PutU32(out, at + 32, 0);
            PutU32(out, at + 36, l.Section.Characteristics);
        }
        PutU32(out, at + 8, static_cast<std::uint32_t>(l.VirtualSize));
        PutU32(out, at + 12, static_cast<std::uint32_t>(l.VirtualAddress));
        PutU32(out, at + 16, static_cast<std::uint32_t>(l.SizeOfRawData));
        PutU32(out, at + 20, static_cast<std::uint32_t>(l.PointerToRawData));
    }
    if (imageSize > Max32) {
        throw EPeFormatError("the rewritten image would not fit in 32-bit offsets");
    }
    if (addSection) {
        PutU16(out, FFileHeader + 2, static_cast<std::uint16_t>(FSections.size() + 1));
    }

    // File offsets outside the section table.
    const std::uint32_t symbols = GetU32(FBytes, FFileHeader + 8);
    if (symbols != 0) {
        PutU32(out, FFileHeader + 8, static_cast<std::uint32_t>(moved(symbols)));
    }
    const TDataDirectory certificates = Directory(CertificateDirectory);
    if (certificates.VirtualAddress != 0) {
        PutU32(out, FDirectories + CertificateDirectory * 8,
               static_cast<std::uint32_t>(moved(certificates.VirtualAddress)));
    }
    const TDataDirectory debug = Directory(DebugDirectory);
    if (const auto table = FileOffsetOfRva(debug.VirtualAddress); debug.VirtualAddress != 0 && table) {
        for (std::size_t i = 0; i < debug.Size / DebugEntrySize; ++i) {
            const std::size_t entry = *table + i * DebugEntrySize;
            if (entry + DebugEntrySize > FBytes.size()) {
                break;
            }
            const std::uint32_t data = GetU32(FBytes, entry + 24);
            if (data != 0) {
                PutU32(out, static_cast<std::size_t>(moved(entry)) + 24,
                       static_cast<std::uint32_t>(moved(data)));
            }
        }
    }

    // Optional header.
    PutU32(out, FDirectories + ResourceDirectory * 8, static_cast<std::uint32_t>(resourceRva));
    PutU32(out, FDirectories + ResourceDirectory * 8 + 4, static_cast<std::uint32_t>(built.size()));
    if (relocations.VirtualAddress != Directory(BaseRelocationDirectory).VirtualAddress) {
        PutU32(out, FDirectories + BaseRelocationDirectory * 8, relocations.VirtualAddress);
    }
    PutU32(out, FOptionalHeader + 56, static_cast<std::uint32_t>(imageSize));
    PutU32(out, FOptionalHeader + 8,
           static_cast<std::uint32_t>(static_cast<std::int64_t>(SizeOfInitializedData()) + initializedDelta));
    if (CheckSum() != 0) {
        PutU32(out, CheckSumOffset(), ComputeChecksum(out, CheckSumOffset()));
    }
    return out;
}

} // namespace Shared
