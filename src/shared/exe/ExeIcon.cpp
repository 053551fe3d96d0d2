#include "shared/exe/ExeIcon.h"

#include "base/LittleEndian.h"
#include "shared/exe/PeResources.h"

#include <cstdlib>
#include <limits>

namespace Shared {

namespace {

constexpr std::size_t GroupHeaderSize = 6;
constexpr std::size_t GroupEntrySize = 14; // the directory entry's 12 bytes and the image's id
constexpr std::size_t FileEntrySize = 16;  // the same 12 bytes and the image's offset

// The data of the first language of Type / Name.
const std::string* FirstLanguageData(const TResourceTree& Tree, const TResourceId& Type,
                                     const TResourceId& Name) {
    const auto languages = Tree.Languages(Type, Name);
    return languages.empty() ? nullptr : &languages.front()->Data;
}

} // namespace

std::string ExtractExeIconFile(const TPeImage& Image, int Size) {
    const TResourceTree tree = TResourceTree::Read(Image);
    const TResourceId groupType = TResourceId::FromId(ResourceType::GroupIcon);
    const TResourceEntry* groups = tree.Root.Find(groupType);
    if (groups == nullptr || !groups->IsDirectory || groups->Directory.Entries.empty()) {
        return {};
    }
    const std::string* group = FirstLanguageData(tree, groupType, TResourceId::FromName(u"MAINICON"));
    if (group == nullptr) {
        group = FirstLanguageData(tree, groupType, groups->Directory.Entries.front().Id);
    }
    if (group == nullptr || group->size() < GroupHeaderSize) {
        return {};
    }
    const std::size_t count = GetU16(*group, 4);
    std::size_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    int bestDepth = -1;
    bool found = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = GroupHeaderSize + i * GroupEntrySize;
        if (at + GroupEntrySize > group->size()) {
            break;
        }
        const int width =
            static_cast<unsigned char>((*group)[at]) == 0 ? 256 : static_cast<unsigned char>((*group)[at]);
        const int depth = GetU16(*group, at + 6);
        const int distance = std::abs(width - Size);
        if (distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
            best = at;
            bestDistance = distance;
            bestDepth = depth;
            found = true;
        }
    }
    if (!found) {
        return {};
    }
    const std::string* bytes = FirstLanguageData(tree, TResourceId::FromId(ResourceType::Icon),
                                                 TResourceId::FromId(GetU16(*group, best + 12)));
    if (bytes == nullptr || bytes->empty()) {
        return {};
    }
    std::string file;
    AppendU16(file, 0);
    AppendU16(file, 1);
    AppendU16(file, 1);
    file.append(*group, best, 8); // width, height, colours, reserved, planes, bit count
    AppendU32(file, static_cast<std::uint32_t>(bytes->size()));
    AppendU32(file, static_cast<std::uint32_t>(GroupHeaderSize + FileEntrySize));
    file += *bytes;
    return file;
}

} // namespace Shared
