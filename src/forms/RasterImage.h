#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Forms {

// A picture in memory: Width x Height pixels, row by row from the top left, each 0xAARRGGBB
// with straight (not premultiplied) alpha.
struct TRasterImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;

    std::uint32_t Pixel(int X, int Y) const {
        return Pixels[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) +
                      static_cast<std::size_t>(X)];
    }
};

} // namespace Forms
