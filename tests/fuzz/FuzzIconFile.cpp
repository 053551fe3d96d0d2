#include "shared/exe/IconFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes as an icon file: either refused, or every image lies inside the file and the group
// made from it lists them all.
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
    return 0;
}
