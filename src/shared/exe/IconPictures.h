#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

enum class TIconFormat { Unknown, Png, Svg, Ico };

// One picture of an application's icon: a PNG file of one size, or SVG text for any size.
struct TIconPicture {
    bool Scalable = false; // SVG text; otherwise a PNG file
    std::string Bytes;
    int Width = 0; // 0 for a scalable picture
    int Height = 0;
};

// The application's own icon, as the packager takes it and the runtime shows it: a PNG, SVG or
// ICO file.
class TIconPictures {
public:
    TIconPictures() = delete;

    static constexpr std::size_t MaxFileSize = 1048576;
    // Larger pictures are refused: an icon never needs them, and they cost memory at every start.
    static constexpr int MaxSide = 1024;

    // The format by the file's first bytes, whatever its name says.
    static TIconFormat DetectFormat(std::string_view Bytes);

    // The pictures the file offers, smallest first: a PNG file itself, an SVG file itself, and
    // every size of an ICO file as a PNG file (of several images of one size, the one with the
    // most colours). Raises EIconFileError, saying why, for a file that is none of these or is
    // damaged, larger than MaxFileSize or holds a picture larger than MaxSide.
    static std::vector<TIconPicture> Read(std::string_view Bytes);
};

} // namespace Shared
