#pragma once

#include "shared/exe/PngFile.h"

#include <string_view>

namespace Shared {

// The bitmap images of icon files: a BITMAPINFOHEADER, a palette for up to 8 bits per pixel,
// the colour rows and the transparency mask, both from the bottom row up, the height counting
// both.
class TIconDib {
public:
    TIconDib() = delete;

    // Neither side of an image may be larger: a few bytes must not ask for gigabytes.
    static constexpr int MaxSide = 1024;

    // The image's pixels: 1, 4 and 8 bits through the palette, 16 bits as 5-5-5, 24 and 32 bits
    // as blue, green, red (and alpha). Transparency comes from the alpha of a 32-bit image that
    // has any, else from the mask (an image without one is opaque). Raises EIconFileError,
    // saying why, for anything it cannot read.
    static TRgbaImage Decode(std::string_view Bytes);
};

} // namespace Shared
