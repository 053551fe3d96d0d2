#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// A picture in memory: row by row from the top left, each pixel 0xAARRGGBB, alpha straight.
struct TPixelImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// Decodes an image file held in memory (PNG, JPEG, BMP, GIF, ICO, ...). False, with the last
// error set, when the bytes are no image the system can read.
bool DecodeImage(std::string_view Bytes, TPixelImage& Image);

// The icon the desktop shows for the file at Path (by its type, or its own for a launcher),
// Size pixels wide where the icon theme has that size. False, with the last error set, when
// the file does not exist or no icon is found.
bool FileIconImage(const std::string& Path, int Size, TPixelImage& Image);

// The width in pixels of Text in the font Family at PointSize points, on a 96 dpi screen.
int TextWidth(const std::string& Family, int PointSize, bool Bold, bool Italic, const std::string& Text);

} // namespace Platform
