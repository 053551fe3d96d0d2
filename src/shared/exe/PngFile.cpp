#include "shared/exe/PngFile.h"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>

namespace Shared {

namespace {

std::uint32_t GetU32BE(std::string_view Bytes, std::size_t At) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(Bytes[At])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(Bytes[At + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(Bytes[At + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(Bytes[At + 3]));
}

void AppendU32BE(std::string& Bytes, std::uint32_t Value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        Bytes.push_back(static_cast<char>((Value >> shift) & 0xFF));
    }
}

std::uint32_t Crc(std::string_view Bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(Bytes.data()), static_cast<uInt>(Bytes.size())));
}

void AppendChunk(std::string& Png, std::string_view Type, std::string_view Data) {
    AppendU32BE(Png, static_cast<std::uint32_t>(Data.size()));
    const std::size_t start = Png.size();
    Png += Type;
    Png += Data;
    AppendU32BE(Png, Crc(std::string_view(Png).substr(start)));
}

} // namespace

std::optional<TImageSize> TPngFile::ReadSize(std::string_view Bytes) {
    if (Bytes.substr(0, Signature.size()) != Signature) {
        return std::nullopt;
    }
    std::optional<TImageSize> size;
    std::size_t at = Signature.size();
    while (Bytes.size() - at >= 12) {
        const std::uint32_t length = GetU32BE(Bytes, at);
        if (length > Bytes.size() - at - 12) {
            return std::nullopt;
        }
        const std::string_view typeAndData = Bytes.substr(at + 4, 4 + length);
        if (Crc(typeAndData) != GetU32BE(Bytes, at + 8 + length)) {
            return std::nullopt;
        }
        const std::string_view type = typeAndData.substr(0, 4);
        if (!size) {
            if (type != "IHDR" || length != 13) {
                return std::nullopt;
            }
            const std::uint32_t width = GetU32BE(typeAndData, 4);
            const std::uint32_t height = GetU32BE(typeAndData, 8);
            if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
                return std::nullopt;
            }
            size = TImageSize{static_cast<int>(width), static_cast<int>(height)};
        }
        at += 12 + length;
        if (type == "IEND") {
            return at == Bytes.size() ? size : std::nullopt;
        }
    }
    return std::nullopt;
}

std::string TPngFile::Encode(const TRgbaImage& Image) {
    const auto width = static_cast<std::size_t>(Image.Width);
    const auto height = static_cast<std::size_t>(Image.Height);
    if (width == 0 || height == 0 || Image.Pixels.size() != width * height * 4) {
        throw std::invalid_argument("TPngFile::Encode: the pixels do not match the size");
    }
    // Every row with filter 0 (none): simple, and the result depends on nothing but the pixels.
    std::string rows;
    rows.reserve(height * (1 + width * 4));
    for (std::size_t y = 0; y < height; ++y) {
        rows.push_back('\0');
        rows.append(Image.Pixels, y * width * 4, width * 4);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("TPngFile::Encode: the pixels cannot be compressed");
    }
    packed.resize(packedSize);

    std::string header;
    AppendU32BE(header, static_cast<std::uint32_t>(width));
    AppendU32BE(header, static_cast<std::uint32_t>(height));
    header += std::string{8, 6, 0, 0, 0}; // 8 bits per sample, RGBA, deflate, filter set 0, no interlace

    std::string png(Signature);
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    return png;
}

} // namespace Shared
