// Icon and version resources of a PE executable on disk, rewritten from any platform: the
// executable is read whole, its resource tree changed in memory and the file replaced at once.

#include "shared/exe/ExeUtils.h"

#include "base/LittleEndian.h"
#include "base/RegularFile.h"
#include "platform/AtomicFile.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/PeImage.h"
#include "shared/exe/PeResources.h"
#include "shared/exe/VersionInfo.h"

#include <set>

namespace Shared {

namespace {

constexpr std::uint32_t EnglishUnitedStates = 1033;

[[noreturn]] void Fail(const char* text) {
    throw EExeResourceError(text);
}

// The whole file; one that cannot be read raises EStreamError, as opening it as a stream would.
std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    if (Base::ReadRegularFile(path, bytes) != Base::TFileRead::Read) {
        RaiseFileError("open file", path);
    }
    return bytes;
}

// The icon IDs every icon group of the tree lists.
std::set<std::uint32_t> IconsInGroups(const TResourceTree& tree) {
    std::set<std::uint32_t> ids;
    const TResourceEntry* groups = tree.Root.Find(TResourceId::FromId(ResourceType::GroupIcon));
    if (groups == nullptr) {
        return ids;
    }
    for (const TResourceEntry& name : groups->Directory.Entries) {
        for (const TResourceEntry& language : name.Directory.Entries) {
            const std::string& g = language.Data;
            const std::size_t count = g.size() >= 6 ? GetU16(g, 4) : 0;
            for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= g.size(); ++i) {
                ids.insert(GetU16(g, 6 + 14 * i + 12));
            }
        }
    }
    return ids;
}

using TVersionMember = std::optional<std::string> TExeVersionStrings::*;
constexpr std::pair<std::string_view, TVersionMember> VersionMembers[] = {
    {"CompanyName", &TExeVersionStrings::CompanyName},
    {"FileDescription", &TExeVersionStrings::FileDescription},
    {"FileVersion", &TExeVersionStrings::FileVersion},
    {"InternalName", &TExeVersionStrings::InternalName},
    {"LegalCopyright", &TExeVersionStrings::LegalCopyright},
    {"LegalTrademarks", &TExeVersionStrings::LegalTrademarks},
    {"OriginalFileName", &TExeVersionStrings::OriginalFileName},
    {"ProgramID", &TExeVersionStrings::ProgramID},
    {"ProductName", &TExeVersionStrings::ProductName},
    {"ProductVersion", &TExeVersionStrings::ProductVersion},
    {"Comments", &TExeVersionStrings::Comments},
};

} // namespace

std::vector<std::pair<std::string_view, const std::optional<std::string>*>> TExeVersionStrings::Keys() const {
    std::vector<std::pair<std::string_view, const std::optional<std::string>*>> keys;
    for (const auto& [name, member] : VersionMembers) {
        keys.emplace_back(name, &(this->*member));
    }
    return keys;
}

bool TExeVersionStrings::Set(std::string_view Key, std::string Value) {
    for (const auto& [name, member] : VersionMembers) {
        if (name == Key) {
            this->*member = std::move(Value);
            return true;
        }
    }
    return false;
}

void TExeUtils::ChangeExeIcon(const std::string& ExePath, const std::string& IcoPath) {
    std::string iconBytes;
    switch (Base::ReadRegularFile(IcoPath, iconBytes, TIconFile::MaxFileSize)) {
    case Base::TFileRead::Read:
        break;
    case Base::TFileRead::TooLarge:
        Fail("Icon file is too large");
    case Base::TFileRead::Failed:
        RaiseFileError("open file", IcoPath);
    }
    TIconFile icon;
    try {
        icon = TIconFile::Parse(iconBytes);
    } catch (const EIconFileError&) {
        Fail("Icon file is invalid");
    }

    // Reading the executable and its resources stands where the update would begin.
    std::optional<TPeImage> image;
    TResourceTree tree;
    try {
        image.emplace(ReadWholeFile(ExePath));
        tree = TResourceTree::Read(*image);
    } catch (const std::exception&) {
        Fail("BeginUpdateResource failed (1)");
    }

    const TResourceId groupType = TResourceId::FromId(ResourceType::GroupIcon);
    const TResourceId iconType = TResourceId::FromId(ResourceType::Icon);
    const TResourceId mainIcon = TResourceId::FromName(u"MAINICON");
    if (tree.FindName(groupType, mainIcon) == nullptr) {
        Fail("FindResource failed (1)");
    }
    const auto groupLanguages = tree.Languages(groupType, mainIcon);
    if (groupLanguages.empty()) {
        Fail("GetResourceLanguage failed (1)");
    }
    const std::uint32_t groupLanguage = groupLanguages.front()->Id.Id;
    const std::string oldGroup = groupLanguages.front()->Data;
    const std::uint16_t reserved = oldGroup.size() >= 2 ? GetU16(oldGroup, 0) : 0;
    const std::uint16_t type = oldGroup.size() >= 4 ? GetU16(oldGroup, 2) : 1;
    std::vector<std::uint32_t> oldIcons;
    const std::size_t oldCount = oldGroup.size() >= 6 ? GetU16(oldGroup, 4) : 0;
    for (std::size_t i = 0; i < oldCount && 6 + 14 * (i + 1) <= oldGroup.size(); ++i) {
        oldIcons.push_back(GetU16(oldGroup, 6 + 14 * i + 12));
    }

    tree.Remove(groupType, mainIcon, groupLanguage);
    // Icons another group still shows stay; removing them would break that group.
    const std::set<std::uint32_t> shared = IconsInGroups(tree);
    for (std::uint32_t id : oldIcons) {
        const auto languages = tree.Languages(iconType, TResourceId::FromId(id));
        if (languages.empty()) {
            Fail("GetResourceLanguage failed (2)");
        }
        if (shared.count(id) == 0) {
            tree.Remove(iconType, TResourceId::FromId(id), languages.front()->Id.Id);
        }
    }

    // Images take IDs 1..N, skipping any ID an icon that stays still holds.
    std::vector<std::uint16_t> ids;
    std::uint32_t next = 1;
    for (const TIconImage& i : icon.Images) {
        while (next <= 0xFFFF && !tree.Languages(iconType, TResourceId::FromId(next)).empty()) {
            ++next;
        }
        if (next > 0xFFFF) {
            Fail("UpdateResource failed (3)");
        }
        ids.push_back(static_cast<std::uint16_t>(next));
        tree.SetData(iconType, TResourceId::FromId(next), EnglishUnitedStates, i.Bytes);
        ++next;
    }
    tree.SetData(groupType, mainIcon, EnglishUnitedStates, icon.BuildGroup(reserved, type, ids));

    std::string rewritten;
    try {
        rewritten = image->ReplaceResources([&](std::uint32_t rva) { return tree.Build(rva); });
    } catch (const EPeFormatError&) {
        Fail("EndUpdateResource failed");
    }
    if (!Platform::ReplaceFileContents(ExePath, rewritten)) {
        Fail("EndUpdateResource failed");
    }
}

bool TExeUtils::UpdateExeInfo(const std::string& ExePath, const std::string& CompanyName,
                              const std::string& FileDescription, const std::string& FileVersion,
                              const std::string& InternalName, const std::string& LegalCopyright,
                              const std::string& LegalTrademarks, const std::string& OriginalFileName,
                              const std::string& ProgramID, const std::string& ProductName,
                              const std::string& ProductVersion, const std::string& Comments) {
    return UpdateExeInfo(ExePath, TExeVersionStrings{CompanyName, FileDescription, FileVersion, InternalName,
                                                     LegalCopyright, LegalTrademarks, OriginalFileName,
                                                     ProgramID, ProductName, ProductVersion, Comments});
}

bool TExeUtils::UpdateExeInfo(const std::string& ExePath, const TExeVersionStrings& Values) {
    if (GetFileSizeByPath(ExePath) < 0) {
        return false;
    }
    try {
        const TPeImage image(ReadWholeFile(ExePath));
        TResourceTree tree = TResourceTree::Read(image);
        const std::optional<TResourceLocation> where = tree.FindVersion();
        if (!where) {
            return false;
        }
        const TResourceEntry* resource = tree.FindData(where->Type, where->Name, where->Language);
        TVersionInfo info = TVersionInfo::Parse(resource->Data);
        const std::vector<TVersionTranslation> translations = info.Translations();
        // Nothing names a string table: there is nothing to rewrite, so nothing is written.
        if (translations.empty()) {
            return false;
        }
        for (const TVersionTranslation& t : translations) {
            for (const auto& [key, value] : Values.Keys()) {
                if (value->has_value()) {
                    info.SetString(t, key, **value);
                }
            }
        }
        // The same resource in its own language: a neutral copy beside a specific one would
        // leave the old values showing.
        tree.SetData(where->Type, where->Name, where->Language, info.Build(), resource->CodePage);
        const std::string rewritten =
            image.ReplaceResources([&](std::uint32_t rva) { return tree.Build(rva); });
        return Platform::ReplaceFileContents(ExePath, rewritten);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace Shared
