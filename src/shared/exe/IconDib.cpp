#include "shared/exe/IconDib.h"

#include "base/LittleEndian.h"
#include "shared/exe/IconFile.h"

#include <cstdint>
#include <cstdlib>

namespace Shared {

namespace {

constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t BiRgb = 0;

[[noreturn]] void Fail(const std::string& why) {
    throw EIconFileError("the bitmap image " + why);
}

std::size_t RowBytes(std::size_t width, std::size_t bits) {
    return (width * bits + 31) / 32 * 4;
}

// The Index-th value of Bits bits in a row, the first in the highest bits of the first byte.
unsigned PackedValue(std::string_view row, std::size_t index, unsigned bits) {
    const std::size_t bit = index * bits;
    const auto byte = static_cast<std::uint8_t>(row[bit / 8]);
    return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

} // namespace

TRgbaImage TIconDib::Decode(std::string_view Bytes) {
    if (Bytes.size() < InfoHeaderSize) {
        Fail("is cut off in its header");
    }
    const std::uint32_t headerSize = GetU32(Bytes, 0);
    const auto width = static_cast<std::int32_t>(GetU32(Bytes, 4));
    const auto doubleHeight = static_cast<std::int32_t>(GetU32(Bytes, 8));
    const unsigned bits = GetU16(Bytes, 14);
    const std::uint32_t compression = GetU32(Bytes, 16);
    const std::uint32_t colorsUsed = GetU32(Bytes, 32);
    if (headerSize < InfoHeaderSize || headerSize > Bytes.size()) {
        Fail("has a header of " + std::to_string(headerSize) + " bytes, which is not a bitmap header");
    }
    if (compression != BiRgb) {
        Fail("is compressed (method " + std::to_string(compression) + "), which icons do not use");
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Fail("has " + std::to_string(bits) + " bits per pixel; 1, 4, 8, 16, 24 and 32 are read");
    }
    // The height counts the colour rows and the mask; a negative one runs from the top row down.
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(doubleHeight)) / 2;
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) {
        Fail("is " + std::to_string(width) + "x" + std::to_string(height) +
             " pixels; an icon image has 1 to " + std::to_string(MaxSide) + " pixels a side");
    }
    const bool topDown = doubleHeight < 0;
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);

    std::size_t paletteSize = 0;
    if (bits <= 8) {
        paletteSize = colorsUsed != 0 ? colorsUsed : (1u << bits);
        if (paletteSize > (1u << bits)) {
            Fail("lists " + std::to_string(colorsUsed) + " palette colours for " + std::to_string(bits) +
                 " bits per pixel");
        }
    }
    const std::size_t paletteAt = headerSize;
    const std::size_t colorAt = paletteAt + paletteSize * 4;
    const std::size_t colorRow = RowBytes(w, bits);
    const std::size_t maskAt = colorAt + colorRow * h;
    const std::size_t maskRow = RowBytes(w, 1);
    if (maskAt > Bytes.size()) {
        Fail("is cut off in its pixels");
    }
    // Some writers leave the mask out of 32-bit images; without one every pixel is opaque.
    const bool hasMask = Bytes.size() - maskAt >= maskRow * h;

    TRgbaImage image;
    image.Width = width;
    image.Height = static_cast<int>(height);
    image.Pixels.assign(w * h * 4, '\0');
    bool anyAlpha = false;
    for (std::size_t y = 0; y < h; ++y) {
        const std::size_t stored = topDown ? y : h - 1 - y;
        const std::string_view row = Bytes.substr(colorAt + stored * colorRow, colorRow);
        for (std::size_t x = 0; x < w; ++x) {
            std::uint8_t r = 0, g = 0, b = 0, a = 0;
            if (bits <= 8) {
                const unsigned index = PackedValue(row, x, bits);
                if (index < paletteSize) {
                    const std::size_t at = paletteAt + index * 4;
                    b = static_cast<std::uint8_t>(Bytes[at]);
                    g = static_cast<std::uint8_t>(Bytes[at + 1]);
                    r = static_cast<std::uint8_t>(Bytes[at + 2]);
                }
            } else if (bits == 16) {
                const unsigned v = GetU16(row, x * 2);
                const auto five = [](unsigned c) { return static_cast<std::uint8_t>(c * 255 / 31); };
                r = five((v >> 10) & 31);
                g = five((v >> 5) & 31);
                b = five(v & 31);
            } else {
                const std::size_t at = x * (bits / 8);
                b = static_cast<std::uint8_t>(row[at]);
                g = static_cast<std::uint8_t>(row[at + 1]);
                r = static_cast<std::uint8_t>(row[at + 2]);
                a = bits == 32 ? static_cast<std::uint8_t>(row[at + 3]) : 0;
                anyAlpha = anyAlpha || a != 0;
            }
            char* out = image.Pixels.data() + (y * w + x) * 4;
            out[0] = static_cast<char>(r);
            out[1] = static_cast<char>(g);
            out[2] = static_cast<char>(b);
            out[3] = static_cast<char>(a);
        }
    }
    // A 32-bit image with alpha says its transparency itself; any other takes the mask's.
    if (!(bits == 32 && anyAlpha)) {
        for (std::size_t y = 0; y < h; ++y) {
            const std::size_t stored = topDown ? y : h - 1 - y;
            const std::string_view row =
                hasMask ? Bytes.substr(maskAt + stored * maskRow, maskRow) : std::string_view();
            for (std::size_t x = 0; x < w; ++x) {
                const bool transparent = hasMask && PackedValue(row, x, 1) != 0;
                image.Pixels[(y * w + x) * 4 + 3] = transparent ? '\0' : '\xFF';
            }
        }
    }
    return image;
}

} // namespace Shared
