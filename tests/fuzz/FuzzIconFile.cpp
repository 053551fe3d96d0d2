#include "shared/exe/IconFile.h"
#include "shared/exe/IconPictures.h"
#include "shared/exe/PngFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes as an icon file: either refused, or every image lies inside the file and the group
// made from it lists them all. And as an application's icon (PNG, SVG, ICO with bitmap images):
// refused, or pictures of a size it allows, each PNG one readable again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const Shared::TIconFile icon = Shared::TIconFile::Parse(bytes);
        std::size_t total = 0;
        std::vector<std::uint16_t> ids;
        for (const Shared::TIconImage& image : icon.Images) {
            total += image.Bytes.size();
            ids.push_back(static_cast<std::uint16_t>(ids.size() + 1));
        }
        if (icon.Images.empty() || total > size * icon.Images.size() ||
            icon.BuildGroup(0, 1, ids).size() != 6 + 14 * icon.Images.size()) {
            __builtin_trap();
        }
    } catch (const Shared::EIconFileError&) {
    }
    try {
        for (const Shared::TIconPicture& picture : Shared::TIconPictures::Read(bytes)) {
            if (picture.Scalable) {
                continue;
            }
            const auto picSize = Shared::TPngFile::ReadSize(picture.Bytes);
            if (!picSize || picSize->Width != picture.Width || picSize->Height != picture.Height ||
                picture.Width > Shared::TIconPictures::MaxSide ||
                picture.Height > Shared::TIconPictures::MaxSide) {
                __builtin_trap();
            }
        }
    } catch (const Shared::EIconFileError&) {
    }
    return 0;
}
