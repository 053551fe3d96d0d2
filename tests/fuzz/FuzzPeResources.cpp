#include "base/LittleEndian.h"
#include "shared/exe/PeImage.h"
#include "shared/exe/PeResources.h"
#include "shared/exe/VersionInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Shared;

// Input that does not begin with "MZ" is a resource section: it is wrapped in a small PE32+
// image as its only section, at 0x1000. Input that does is a whole image.
std::string Wrap(std::string_view section) {
    constexpr std::size_t pe = 0x40;
    constexpr std::size_t optional = pe + 24;
    constexpr std::size_t table = optional + 240;
    constexpr std::uint32_t fileAlignment = 0x200;
    const std::uint32_t raw = static_cast<std::uint32_t>(AlignUp(section.size(), fileAlignment));
    std::string image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    PutU32(image, 0x3C, pe);
    image.replace(pe, 4, std::string("PE\0\0", 4));
    PutU16(image, pe + 4, 0x8664);
    PutU16(image, pe + 6, 1);
    PutU16(image, pe + 20, 240);
    PutU16(image, optional, 0x20B);
    PutU32(image, optional + 32, 0x1000);
    PutU32(image, optional + 36, fileAlignment);
    PutU32(image, optional + 56,
           static_cast<std::uint32_t>(AlignUp(0x1000 + std::max<std::size_t>(section.size(), 1), 0x1000)));
    PutU32(image, optional + 60, 0x400);
    PutU32(image, optional + 108, 16);
    PutU32(image, optional + 112 + 16, 0x1000);
    PutU32(image, optional + 112 + 20, static_cast<std::uint32_t>(section.size()));
    image.replace(table, 5, ".rsrc");
    PutU32(image, table + 8, static_cast<std::uint32_t>(section.size()));
    PutU32(image, table + 12, 0x1000);
    PutU32(image, table + 16, raw);
    PutU32(image, table + 20, 0x400);
    PutU32(image, table + 36, 0x40000040);
    image += section;
    image.resize(0x400 + raw, '\0');
    return image;
}

using TLeaf = std::tuple<std::string, std::uint32_t, std::string>;

void Leaves(const TResourceDirectory& dir, const std::string& path, std::vector<TLeaf>& out) {
    for (const TResourceEntry& e : dir.Entries) {
        std::string p = path + "/";
        if (e.Id.IsName) {
            for (char16_t c : e.Id.Name) {
                p += std::to_string(static_cast<unsigned>(c)) + ",";
            }
        } else {
            p += "#" + std::to_string(e.Id.Id);
        }
        if (e.IsDirectory) {
            Leaves(e.Directory, p, out);
        } else {
            out.emplace_back(p, e.CodePage, e.Data);
        }
    }
}

std::vector<TLeaf> Leaves(const TResourceTree& tree) {
    std::vector<TLeaf> out;
    Leaves(tree.Root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// A resource tree that reads must read back the same after the image is rewritten with it, and
// the rewritten image must read as an image again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string bytes = input.substr(0, 2) == "MZ" ? std::string(input) : Wrap(input);
    std::optional<TPeImage> image;
    TResourceTree tree;
    try {
        image.emplace(bytes);
        tree = TResourceTree::Read(*image);
    } catch (const EPeFormatError&) {
        return 0;
    }
    if (const auto where = tree.FindVersion()) {
        try {
            const TVersionInfo info =
                TVersionInfo::Parse(tree.FindData(where->Type, where->Name, where->Language)->Data);
            (void)info.Build();
        } catch (const EVersionInfoError&) {
        }
    }
    std::string rewritten;
    try {
        rewritten = image->ReplaceResources([&](std::uint32_t rva) { return tree.Build(rva); });
    } catch (const EPeFormatError&) {
        return 0;
    }
    const TPeImage again(rewritten);
    if (Leaves(TResourceTree::Read(again)) != Leaves(tree)) {
        __builtin_trap();
    }
    return 0;
}
