#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Shared {

// An image in memory: rows from the top, each pixel four bytes R, G, B, A (alpha straight).
struct TRgbaImage {
    int Width = 0;
    int Height = 0;
    std::string Pixels; // Width * Height * 4 bytes
};

struct TImageSize {
    int Width = 0;
    int Height = 0;
};

// PNG files, as far as icons need them: their size, and writing an image as one.
class TPngFile {
public:
    TPngFile() = delete;

    static constexpr std::string_view Signature = "\x89PNG\r\n\x1A\n";

    // The size of a PNG file whose chunks hold together: the signature, IHDR first, every
    // chunk whole with the right CRC, IEND last. nullopt for anything else. Pixels are not
    // decoded.
    static std::optional<TImageSize> ReadSize(std::string_view Bytes);

    // Image as a PNG file (8-bit RGBA, not interlaced); the same image always gives the same bytes.
    static std::string Encode(const TRgbaImage& Image);
};

} // namespace Shared
