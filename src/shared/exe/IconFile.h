#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// An icon file (.ico) that cannot be used as an executable's icon.
class EIconFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One image of an icon file: the first 12 bytes of its directory entry and its bytes.
struct TIconImage {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::uint8_t ColorCount = 0;
    std::uint8_t Reserved = 0;
    std::uint16_t Planes = 0;
    std::uint16_t BitCount = 0;
    std::string Bytes;
};

// An icon file as the executable's icon group is made from it.
class TIconFile {
public:
    static constexpr std::size_t MaxFileSize = 1048576;
    static constexpr std::string_view InvalidText = "Icon file is invalid";

    std::uint16_t Reserved = 0;
    std::uint16_t Type = 0;
    std::vector<TIconImage> Images;

    // Reads the directory and every image. Raises EIconFileError "Icon file is invalid" for
    // fewer than 6 bytes, an executable ("MZ") given as the icon, a directory that is cut off,
    // an image that ends past the end of the file (its offset + size overflowing 32 bits
    // included), and, since neither makes an icon, a file without images or an empty image.
    static TIconFile Parse(std::string_view Bytes);

    // The icon group resource: Reserved and Type as given (the executable's previous group
    // keeps its values), the image count, then per image its 12 entry bytes and Ids[i].
    std::string BuildGroup(std::uint16_t GroupReserved, std::uint16_t GroupType,
                           const std::vector<std::uint16_t>& Ids) const;
};

} // namespace Shared
