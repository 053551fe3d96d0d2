#include "shared/exe/IconFile.h"

#include "base/LittleEndian.h"

namespace Shared {

namespace {

constexpr std::size_t HeaderSize = 6;
constexpr std::size_t FileEntrySize = 16;

[[noreturn]] void Invalid() {
    throw EIconFileError(std::string(TIconFile::InvalidText));
}

} // namespace

TIconFile TIconFile::Parse(std::string_view Bytes) {
    if (Bytes.size() < HeaderSize || Bytes.substr(0, 2) == "MZ") {
        Invalid();
    }
    TIconFile icon;
    icon.Reserved = GetU16(Bytes, 0);
    icon.Type = GetU16(Bytes, 2);
    const std::size_t count = GetU16(Bytes, 4);
    if (count == 0 || HeaderSize + count * FileEntrySize > Bytes.size()) {
        Invalid();
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = HeaderSize + i * FileEntrySize;
        const std::uint64_t size = GetU32(Bytes, at + 8);
        const std::uint64_t offset = GetU32(Bytes, at + 12);
        if (size == 0 || offset + size > 0xFFFFFFFFu || offset + size > Bytes.size()) {
            Invalid();
        }
        TIconImage image;
        image.Width = static_cast<std::uint8_t>(Bytes[at]);
        image.Height = static_cast<std::uint8_t>(Bytes[at + 1]);
        image.ColorCount = static_cast<std::uint8_t>(Bytes[at + 2]);
        image.Reserved = static_cast<std::uint8_t>(Bytes[at + 3]);
        image.Planes = GetU16(Bytes, at + 4);
        image.BitCount = GetU16(Bytes, at + 6);
        image.Bytes =
            std::string(Bytes.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
        icon.Images.push_back(std::move(image));
    }
    return icon;
}

std::string TIconFile::BuildGroup(std::uint16_t GroupReserved, std::uint16_t GroupType,
                                  const std::vector<std::uint16_t>& Ids) const {
    std::string group;
    AppendU16(group, GroupReserved);
    AppendU16(group, GroupType);
    AppendU16(group, static_cast<std::uint16_t>(Images.size()));
    for (std::size_t i = 0; i < Images.size(); ++i) {
        const TIconImage& image = Images[i];
        group.push_back(static_cast<char>(image.Width));
        group.push_back(static_cast<char>(image.Height));
        group.push_back(static_cast<char>(image.ColorCount));
        group.push_back(static_cast<char>(image.Reserved));
        AppendU16(group, image.Planes);
        AppendU16(group, image.BitCount);
        AppendU32(group, static_cast<std::uint32_t>(image.Bytes.size()));
        AppendU16(group, Ids.at(i));
    }
    return group;
}

} // namespace Shared
