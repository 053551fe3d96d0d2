#pragma once

// Shared pieces of the resource-editing tests: the cross-built fixtures, a flat view of a
// resource tree for comparisons, and an independent check that an image's layout is sound.

#include "ExeFixtures.h"
#include "base/LittleEndian.h"
#include "shared/exe/PeImage.h"
#include "shared/exe/PeResources.h"
#include "shared/text/Unicode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

namespace PeTest {

inline std::string FixturePath(const std::string& name) {
#ifdef VTR_PE_RESOURCE_FIXTURES
    return std::string(VTR_PE_RESOURCE_FIXTURES) + "/" + name;
#else
    return "/nonexistent/" + name;
#endif
}

inline bool HaveFixture(const std::string& name) {
    return std::filesystem::exists(FixturePath(name));
}

#define VTR_REQUIRE_FIXTURE(name)                                                                            \
    if (!PeTest::HaveFixture(name)) {                                                                        \
        GTEST_SKIP() << name << " was not built (the MinGW-w64 cross tools are missing)";                    \
    }

inline std::string IdText(const Shared::TResourceId& id) {
    return id.IsName ? "\"" + Shared::Utf16ToUtf8(id.Name) + "\"" : std::to_string(id.Id);
}

// Every leaf as "type/name/language" -> code page and bytes.
using TFlat = std::map<std::string, std::pair<std::uint32_t, std::string>>;

inline void Flatten(const Shared::TResourceDirectory& dir, const std::string& path, TFlat& out) {
    for (const Shared::TResourceEntry& e : dir.Entries) {
        const std::string p = path.empty() ? IdText(e.Id) : path + "/" + IdText(e.Id);
        if (e.IsDirectory) {
            Flatten(e.Directory, p, out);
        } else {
            out[p] = {e.CodePage, e.Data};
        }
    }
}

inline TFlat Flatten(const Shared::TResourceTree& tree) {
    TFlat out;
    Flatten(tree.Root, "", out);
    return out;
}

inline Shared::TResourceTree ReadTree(const std::string& bytes) {
    return Shared::TResourceTree::Read(Shared::TPeImage(bytes));
}

// The leaves of every type but the listed ones.
inline TFlat Without(TFlat flat, std::initializer_list<std::string> types) {
    for (auto it = flat.begin(); it != flat.end();) {
        const std::string type = it->first.substr(0, it->first.find('/'));
        it = std::find(types.begin(), types.end(), type) != types.end() ? flat.erase(it) : std::next(it);
    }
    return flat;
}

// The section's file bytes, as long as its raw size says.
inline std::string SectionBytes(const Shared::TPeImage& image, const Shared::TPeSection& s) {
    return image.Bytes().substr(s.PointerToRawData, s.SizeOfRawData);
}

inline const Shared::TPeSection* SectionNamed(const Shared::TPeImage& image, const std::string& name) {
    for (const Shared::TPeSection& s : image.Sections()) {
        if (s.Name == name) {
            return &s;
        }
    }
    return nullptr;
}

// What the loader and the checksum tools demand of a rewritten file, checked from the headers.
inline void ExpectSoundLayout(const std::string& bytes) {
    const Shared::TPeImage image(bytes);
    std::vector<Shared::TPeSection> byAddress = image.Sections();
    std::sort(byAddress.begin(), byAddress.end(),
              [](const auto& a, const auto& b) { return a.VirtualAddress < b.VirtualAddress; });
    std::uint64_t addressEnd = image.SizeOfHeaders();
    for (const Shared::TPeSection& s : byAddress) {
        SCOPED_TRACE(s.Name);
        EXPECT_EQ(s.VirtualAddress % image.SectionAlignment(), 0u);
        EXPECT_GE(s.VirtualAddress, addressEnd) << "sections overlap in memory";
        addressEnd = s.VirtualAddress + std::max(s.VirtualSize, s.SizeOfRawData);
        if (s.SizeOfRawData > 0) {
            EXPECT_EQ(s.PointerToRawData % image.FileAlignment(), 0u);
            EXPECT_LE(std::uint64_t{s.PointerToRawData} + s.SizeOfRawData, bytes.size());
            EXPECT_GE(s.PointerToRawData, image.SizeOfHeaders());
            for (const Shared::TPeSection& o : image.Sections()) {
                if (&o != &s && o.SizeOfRawData > 0 && o.Name != s.Name) {
                    const bool apart = o.PointerToRawData >= s.PointerToRawData + s.SizeOfRawData ||
                                       s.PointerToRawData >= o.PointerToRawData + o.SizeOfRawData;
                    EXPECT_TRUE(apart) << "file bytes of " << s.Name << " and " << o.Name << " overlap";
                }
            }
        }
    }
    EXPECT_EQ(image.SizeOfImage(), Shared::AlignUp(addressEnd, image.SectionAlignment()));
    if (image.CheckSum() != 0) {
        EXPECT_EQ(image.CheckSum(), Shared::TPeImage::ComputeChecksum(bytes, image.CheckSumOffset()));
    }
    const Shared::TDataDirectory res = image.Directory(Shared::TPeImage::ResourceDirectory);
    EXPECT_TRUE(image.ReadRva(res.VirtualAddress, res.Size).has_value());
    const Shared::TDataDirectory rel = image.Directory(Shared::TPeImage::BaseRelocationDirectory);
    if (rel.Size > 0) {
        EXPECT_TRUE(image.ReadRva(rel.VirtualAddress, rel.Size).has_value());
    }
}

} // namespace PeTest
