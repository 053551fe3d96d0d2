#include "shared/exe/ExeHeaders.h"

#include <algorithm>
#include <limits>
#include <string>

namespace Shared {

namespace {

constexpr std::uint64_t Huge = std::numeric_limits<std::uint64_t>::max();

// Header arithmetic on values from the file saturates: an absurd table lies beyond any file.
std::uint64_t Add(std::uint64_t a, std::uint64_t b) {
    return a > Huge - b ? Huge : a + b;
}
std::uint64_t Mul(std::uint64_t a, std::uint64_t b) {
    return (a != 0 && b > Huge / a) ? Huge : a * b;
}

class TReader {
public:
    explicit TReader(TStream& image) : FImage(image), FSize(static_cast<std::uint64_t>(image.Size())) {}

    std::uint64_t FileSize() const { return FSize; }

    bool ReadAt(std::uint64_t offset, std::string& out, std::uint64_t count) {
        if (Add(offset, count) > FSize) {
            return false;
        }
        out.assign(static_cast<std::size_t>(count), '\0');
        FImage.SetPosition(static_cast<std::int64_t>(offset));
        return FImage.Read(out.data(), out.size()) == out.size();
    }

private:
    TStream& FImage;
    std::uint64_t FSize;
};

struct TFields {
    const std::string& Bytes;
    bool Little;

    std::uint64_t Get(std::size_t at, int width) const {
        std::uint64_t v = 0;
        for (int i = 0; i < width; ++i) {
            const auto b = static_cast<std::uint8_t>(Bytes[at + static_cast<std::size_t>(i)]);
            const int shift = Little ? 8 * i : 8 * (width - 1 - i);
            v |= static_cast<std::uint64_t>(b) << shift;
        }
        return v;
    }
    std::uint64_t U16(std::size_t at) const { return Get(at, 2); }
    std::uint64_t U32(std::size_t at) const { return Get(at, 4); }
    std::uint64_t U64(std::size_t at) const { return Get(at, 8); }
};

// Offsets inside the ELF structures that differ between the two classes.
struct TElfLayout {
    std::size_t HeaderSize, PhOff, ShOff, EhSize, PhEntSize, PhNum, ShEntSize, ShNum;
    std::size_t PhEntryMin, PhOffset, PhFileSize;
    std::size_t ShEntryMin, ShType, ShOffset, ShSize, ShInfo;
    int Word; // width of addresses and offsets
};

constexpr TElfLayout Elf64{64, 0x20, 0x28, 0x34, 0x36, 0x38, 0x3A, 0x3C, 56, 8, 32, 64, 4, 24, 32, 44, 8};
constexpr TElfLayout Elf32{52, 0x1C, 0x20, 0x28, 0x2A, 0x2C, 0x2E, 0x30, 32, 4, 16, 40, 4, 16, 20, 28, 4};

constexpr std::uint64_t ShtNull = 0;
constexpr std::uint64_t ShtNobits = 8;
constexpr std::uint64_t PnXnum = 0xFFFF;

} // namespace

std::optional<std::uint64_t> TExeHeaders::GetImageEnd(TStream& Image) {
    TReader reader(Image);
    std::string magic;
    if (!reader.ReadAt(0, magic, 4)) {
        return std::nullopt;
    }
    if (magic == "\x7F"
                 "ELF") {
        return GetElfImageEnd(Image);
    }
    if (magic.compare(0, 2, "MZ") == 0) {
        return GetPeImageEnd(Image);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TExeHeaders::GetElfImageEnd(TStream& Image) {
    TReader reader(Image);
    std::string ident;
    if (!reader.ReadAt(0, ident, 16) || ident.compare(0, 4,
                                                      "\x7F"
                                                      "ELF") != 0) {
        return std::nullopt;
    }
    const int elfClass = ident[4];
    const int elfData = ident[5];
    if ((elfClass != 1 && elfClass != 2) || (elfData != 1 && elfData != 2)) {
        return std::nullopt;
    }
    const TElfLayout& L = elfClass == 2 ? Elf64 : Elf32;
    std::string header;
    if (!reader.ReadAt(0, header, L.HeaderSize)) {
        return std::nullopt;
    }
    const TFields h{header, elfData == 1};
    const std::uint64_t phOff = h.Get(L.PhOff, L.Word);
    const std::uint64_t shOff = h.Get(L.ShOff, L.Word);
    const std::uint64_t phEntSize = h.U16(L.PhEntSize);
    const std::uint64_t shEntSize = h.U16(L.ShEntSize);
    std::uint64_t phNum = h.U16(L.PhNum);
    std::uint64_t shNum = h.U16(L.ShNum);

    // Counts too large for the header live in section 0.
    if (shOff != 0 && shEntSize >= L.ShEntryMin && (shNum == 0 || phNum == PnXnum)) {
        std::string first;
        if (reader.ReadAt(shOff, first, L.ShEntryMin)) {
            const TFields s{first, h.Little};
            if (shNum == 0) {
                shNum = s.Get(L.ShSize, L.Word);
            }
            if (phNum == PnXnum) {
                phNum = s.U32(L.ShInfo);
            }
        }
    }
    if ((phNum > 0 && phEntSize < L.PhEntryMin) || (shNum > 0 && shEntSize < L.ShEntryMin)) {
        return std::nullopt;
    }

    const std::uint64_t phEnd = phNum > 0 ? Add(phOff, Mul(phNum, phEntSize)) : 0;
    const std::uint64_t shEnd = shNum > 0 ? Add(shOff, Mul(shNum, shEntSize)) : 0;
    std::uint64_t end = std::max({static_cast<std::uint64_t>(L.HeaderSize), h.U16(L.EhSize), phEnd, shEnd});

    // A table beyond the end of the file already puts the end there; its entries are unread.
    std::string table;
    if (phNum > 0 && reader.ReadAt(phOff, table, phEnd - phOff)) {
        const TFields t{table, h.Little};
        for (std::uint64_t i = 0; i < phNum; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * phEntSize);
            end = std::max(end, Add(t.Get(at + L.PhOffset, L.Word), t.Get(at + L.PhFileSize, L.Word)));
        }
    }
    if (shNum > 0 && reader.ReadAt(shOff, table, shEnd - shOff)) {
        const TFields t{table, h.Little};
        for (std::uint64_t i = 0; i < shNum; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * shEntSize);
            const std::uint64_t type = t.U32(at + L.ShType);
            if (type == ShtNull || type == ShtNobits) {
                continue;
            }
            end = std::max(end, Add(t.Get(at + L.ShOffset, L.Word), t.Get(at + L.ShSize, L.Word)));
        }
    }
    return end;
}

std::optional<std::uint64_t> TExeHeaders::GetPeImageEnd(TStream& Image) {
    TReader reader(Image);
    std::string dos;
    if (!reader.ReadAt(0, dos, 0x40) || dos.compare(0, 2, "MZ") != 0) {
        return std::nullopt;
    }
    const std::uint64_t ntHeaders = TFields{dos, true}.U32(0x3C);
    std::string nt;
    if (!reader.ReadAt(ntHeaders, nt, 24) || nt.compare(0, 4, std::string("PE\0\0", 4)) != 0) {
        return std::nullopt;
    }
    const TFields f{nt, true};
    const std::uint64_t sections = f.U16(4 + 2);
    const std::uint64_t optionalHeaderSize = f.U16(4 + 16);
    const std::uint64_t tableStart = ntHeaders + 24 + optionalHeaderSize;
    const std::uint64_t tableEnd = tableStart + sections * 40;

    std::uint64_t end = tableEnd;
    std::string table;
    if (sections > 0 && reader.ReadAt(tableStart, table, tableEnd - tableStart)) {
        const TFields t{table, true};
        for (std::uint64_t i = 0; i < sections; ++i) {
            const std::size_t at = static_cast<std::size_t>(i * 40);
            // Summed in 64 bits: a 32-bit sum could wrap round to an offset inside the image.
            end = std::max(end, t.U32(at + 16) + t.U32(at + 20));
        }
    }
    return end;
}

} // namespace Shared
