// Icon files and version-information blocks: the two formats the resource editing reads.

#include "PeTestSupport.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/VersionInfo.h"

#include <gtest/gtest.h>

using namespace Shared;

namespace {

struct TImageSpec {
    std::uint8_t Size;
    std::string Bytes;
};

// An icon file with the given images, laid out as icon editors write them.
std::string MakeIcon(const std::vector<TImageSpec>& images) {
    std::string s;
    AppendU16(s, 0);
    AppendU16(s, 1);
    AppendU16(s, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const TImageSpec& i : images) {
        s += std::string{static_cast<char>(i.Size), static_cast<char>(i.Size), 0, 0};
        AppendU16(s, 1);
        AppendU16(s, 32);
        AppendU32(s, static_cast<std::uint32_t>(i.Bytes.size()));
        AppendU32(s, offset);
        offset += static_cast<std::uint32_t>(i.Bytes.size());
    }
    for (const TImageSpec& i : images) {
        s += i.Bytes;
    }
    return s;
}

TEST(IconFile, ReadsEveryImageAndBuildsTheGroup) {
    const TIconFile icon = TIconFile::Parse(MakeIcon({{16, "sixteen"}, {32, "thirty-two"}}));
    ASSERT_EQ(icon.Images.size(), 2u);
    EXPECT_EQ(icon.Images[1].Width, 32);
    EXPECT_EQ(icon.Images[1].BitCount, 32);
    EXPECT_EQ(icon.Images[1].Bytes, "thirty-two");

    const std::string group = icon.BuildGroup(0, 1, {1, 7});
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(GetU16(group, 4), 2);
    // Entry: width, height, colours, reserved, planes, bit count, size, then the ID.
    EXPECT_EQ(group.substr(6 + 14, 4), std::string("\x20\x20\0\0", 4));
    EXPECT_EQ(GetU32(group, 6 + 14 + 8), 10u);
    EXPECT_EQ(GetU16(group, 6 + 14 + 12), 7);
}

TEST(IconFile, InvalidFilesAreRefused) {
    const std::string good = MakeIcon({{16, "abcd"}});
    std::string pastEnd = good;
    PutU32(pastEnd, 6 + 8, 5); // the image ends one byte past the end of the file
    std::string wraps = good;
    PutU32(wraps, 6 + 8, 0x10);
    PutU32(wraps, 6 + 12, 0xFFFFFFF8u); // offset + size overflows 32 bits
    std::string noImages = good;
    PutU16(noImages, 4, 0);
    std::string cutDirectory = good;
    PutU16(cutDirectory, 4, 2);
    const std::pair<const char*, std::string> cases[] = {
        {"five bytes", good.substr(0, 5)},
        {"an executable", "MZ" + good.substr(2)},
        {"an image past the end", pastEnd},
        {"an overflowing offset", wraps},
        {"no images", noImages},
        {"a directory that is cut off", cutDirectory},
        {"an empty image", MakeIcon({{16, ""}})},
    };
    for (const auto& [what, bytes] : cases) {
        try {
            TIconFile::Parse(bytes);
            ADD_FAILURE() << what << " was accepted";
        } catch (const EIconFileError& e) {
            EXPECT_STREQ(e.what(), "Icon file is invalid") << what;
        }
    }
    EXPECT_NO_THROW(TIconFile::Parse(good));
}

std::string FixtureVersionBlock() {
    const std::string pe = Fixtures::ReadFile(PeTest::FixturePath("branded.exe"));
    const TResourceTree tree = PeTest::ReadTree(pe);
    const auto where = tree.FindVersion();
    return tree.FindData(where->Type, where->Name, where->Language)->Data;
}

TEST(VersionInfo, ABlockReadAndWrittenAgainIsTheSame) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const std::string block = FixtureVersionBlock();
    const TVersionInfo info = TVersionInfo::Parse(block);
    EXPECT_EQ(info.Build(), block);
    ASSERT_EQ(info.Translations().size(), 2u);
    EXPECT_EQ(TVersionInfo::TranslationKey(info.Translations()[0]), "040904B0");
    EXPECT_EQ(TVersionInfo::TranslationKey(info.Translations()[1]), "040704E4");
    EXPECT_EQ(info.QueryString({0x0409, 1200}, "CompanyName"), "Old Company");
    EXPECT_EQ(info.QueryString({0x0407, 1252}, "ProductName"), "Alt");
    // Keys match ignoring ASCII case, as the version functions do: "OriginalFilename" is found.
    EXPECT_EQ(info.QueryString({0x0409, 1200}, "OriginalFileName"), "old.exe");
    EXPECT_EQ(info.QueryString({0x0409, 1200}, "LegalTrademarks"), std::nullopt);
    EXPECT_EQ(info.QueryString({0x0410, 1200}, "CompanyName"), std::nullopt);
}

TEST(VersionInfo, ALongerValueIsKeptWholeAndTheRestUntouched) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    TVersionInfo info = TVersionInfo::Parse(FixtureVersionBlock());
    const std::string longName = "A product name far longer than the old one, with \xC3\xBC and \xE2\x82\xAC";
    EXPECT_TRUE(info.SetString({0x0409, 1200}, "ProductName", longName));
    EXPECT_TRUE(info.SetString({0x0409, 1200}, "Comments", ""));
    EXPECT_FALSE(info.SetString({0x0409, 1200}, "LegalTrademarks", "not added"));

    const TVersionInfo read = TVersionInfo::Parse(info.Build());
    EXPECT_EQ(read.QueryString({0x0409, 1200}, "ProductName"), longName);
    EXPECT_EQ(read.QueryString({0x0409, 1200}, "Comments"), "");
    EXPECT_EQ(read.QueryString({0x0409, 1200}, "LegalTrademarks"), std::nullopt);
    EXPECT_EQ(read.QueryString({0x0409, 1200}, "PrivateBuild"), "untouched key");
    EXPECT_EQ(read.QueryString({0x0407, 1252}, "ProductName"), "Alt");
    EXPECT_EQ(read.Translations().size(), 2u);
    // The fixed file information (the binary value of the root) keeps its bytes.
    EXPECT_EQ(read.Root.Value, TVersionInfo::Parse(FixtureVersionBlock()).Root.Value);
}

TEST(VersionInfo, DamagedBlocksAreRefused) {
    std::string node;
    AppendU16(node, 0);
    AppendU16(node, 0);
    AppendU16(node, 1);
    for (char16_t c : std::u16string(u"Key")) {
        AppendU16(node, static_cast<std::uint16_t>(c));
    }
    AppendU16(node, 0);
    AppendU16(node, 0);
    PutU16(node, 0, static_cast<std::uint16_t>(node.size()));
    EXPECT_NO_THROW(TVersionInfo::Parse(node));

    std::string tooLong = node;
    PutU16(tooLong, 0, static_cast<std::uint16_t>(node.size() + 2));
    std::string noKeyEnd = node.substr(0, 10);
    PutU16(noKeyEnd, 0, 10);
    for (const std::string& bytes : {node.substr(0, 4), tooLong, noKeyEnd}) {
        EXPECT_THROW(TVersionInfo::Parse(bytes), EVersionInfoError);
    }
}

} // namespace
