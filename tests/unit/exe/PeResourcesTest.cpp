// The PE image and its resource tree: reading, rebuilding and placing a new resource section.

#include "PeTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Shared;
using Fixtures::ReadFile;

namespace {

std::string Rewrite(const std::string& bytes, const TResourceTree& tree) {
    return TPeImage(bytes).ReplaceResources([&](std::uint32_t rva) { return tree.Build(rva); });
}

// Bytes and addresses of every section but the resources, by name.
std::map<std::string, std::pair<std::uint32_t, std::string>> OtherSections(const std::string& bytes) {
    const TPeImage image(bytes);
    std::map<std::string, std::pair<std::uint32_t, std::string>> out;
    for (const TPeSection& s : image.Sections()) {
        if (s.Name != ".rsrc" && s.Name != ".oldrsrc") {
            out[s.Name] = {s.VirtualAddress, PeTest::SectionBytes(image, s)};
        }
    }
    return out;
}

TEST(PeResources, ReadsEveryTypeNameAndLanguageOfTheFixture) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const TPeImage image(ReadFile(PeTest::FixturePath("branded.exe")));
    EXPECT_TRUE(image.Is64());
    EXPECT_NE(image.CheckSum(), 0u);
    EXPECT_EQ(image.CheckSum(), TPeImage::ComputeChecksum(image.Bytes(), image.CheckSumOffset()));
    const PeTest::TFlat flat = PeTest::Flatten(TResourceTree::Read(image));
    for (const char* key :
         {"3/1/1033", "3/7/1033", "14/\"MAINICON\"/1033", "14/\"SECOND\"/1033", "16/1/1031", "10/\"NOTES\"/0",
          "10/\"NOTES\"/1031", "10/7/0", "6/1/1031", "6/1/1036", "\"VTRBLOB\"/\"VTRDATA\"/1031"}) {
        EXPECT_EQ(flat.count(key), 1u) << key;
    }
    EXPECT_EQ(flat.at("10/7/0").second,
              std::string("\1\0\2\0\3\0\4\0\5\0\6\0\7\0\x8\0\x9\0", 18)); // 16-bit words
    EXPECT_EQ(flat.size(), 16u);
}

TEST(PeResources, RebuildingKeepsEveryResourceAndSection) {
    for (const char* name : {"branded.exe", "branded32.exe", "branded-wall.exe"}) {
        SCOPED_TRACE(name);
        if (!PeTest::HaveFixture(name)) {
            continue;
        }
        const std::string original = ReadFile(PeTest::FixturePath(name));
        const TResourceTree tree = PeTest::ReadTree(original);
        const std::string rewritten = Rewrite(original, tree);
        PeTest::ExpectSoundLayout(rewritten);
        EXPECT_EQ(PeTest::Flatten(PeTest::ReadTree(rewritten)), PeTest::Flatten(tree));
        EXPECT_EQ(OtherSections(rewritten), OtherSections(original));
        EXPECT_EQ(TPeImage(rewritten).Sections().size(), TPeImage(original).Sections().size());
        // A second pass gives the same bytes: nothing grows from one rewrite to the next.
        EXPECT_EQ(Rewrite(rewritten, PeTest::ReadTree(rewritten)), rewritten);
    }
}

TEST(PeResources, AGrowingSectionPushesTheRelocationsUp) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const std::string original = ReadFile(PeTest::FixturePath("branded.exe"));
    TResourceTree tree = PeTest::ReadTree(original);
    tree.SetData(TResourceId::FromId(10), TResourceId::FromName(u"LARGE"), 0, Fixtures::Pattern(300000, 4));
    const std::string rewritten = Rewrite(original, tree);
    PeTest::ExpectSoundLayout(rewritten);

    const TPeImage before(original);
    const TPeImage after(rewritten);
    const TPeSection* oldRelocs = PeTest::SectionNamed(before, ".reloc");
    const TPeSection* newRelocs = PeTest::SectionNamed(after, ".reloc");
    ASSERT_TRUE(oldRelocs && newRelocs);
    EXPECT_GT(newRelocs->VirtualAddress, oldRelocs->VirtualAddress);
    EXPECT_EQ(after.Directory(TPeImage::BaseRelocationDirectory).VirtualAddress, newRelocs->VirtualAddress);
    EXPECT_EQ(PeTest::SectionBytes(after, *newRelocs), PeTest::SectionBytes(before, *oldRelocs));
    EXPECT_EQ(after.Sections().size(), before.Sections().size());
    EXPECT_EQ(PeTest::SectionNamed(after, ".rsrc")->VirtualAddress,
              PeTest::SectionNamed(before, ".rsrc")->VirtualAddress);
    EXPECT_EQ(PeTest::Flatten(PeTest::ReadTree(rewritten)), PeTest::Flatten(tree));
    EXPECT_EQ(after.SizeOfInitializedData() - before.SizeOfInitializedData(),
              PeTest::SectionNamed(after, ".rsrc")->SizeOfRawData -
                  PeTest::SectionNamed(before, ".rsrc")->SizeOfRawData);
}

TEST(PeResources, ASectionThatCannotMoveSendsTheResourcesToANewSection) {
    VTR_REQUIRE_FIXTURE("branded-wall.exe");
    const std::string original = ReadFile(PeTest::FixturePath("branded-wall.exe"));
    TResourceTree tree = PeTest::ReadTree(original);
    tree.SetData(TResourceId::FromId(10), TResourceId::FromName(u"LARGE"), 0, Fixtures::Pattern(300000, 4));
    const std::string rewritten = Rewrite(original, tree);
    PeTest::ExpectSoundLayout(rewritten);

    const TPeImage before(original);
    const TPeImage after(rewritten);
    ASSERT_EQ(after.Sections().size(), before.Sections().size() + 1);
    const TPeSection& added = after.Sections().back();
    EXPECT_EQ(added.Name, ".rsrc");
    EXPECT_EQ(after.Directory(TPeImage::ResourceDirectory).VirtualAddress, added.VirtualAddress);
    const TPeSection* old = PeTest::SectionNamed(after, ".oldrsrc");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(PeTest::SectionBytes(after, *old),
              PeTest::SectionBytes(before, *PeTest::SectionNamed(before, ".rsrc")));
    // Every other section, the wall among them, keeps its address and bytes.
    EXPECT_EQ(OtherSections(rewritten), OtherSections(original));
    EXPECT_EQ(PeTest::Flatten(PeTest::ReadTree(rewritten)), PeTest::Flatten(tree));
}

TEST(PeResources, SmallGrowthWithAWallStillMovesTheRelocations) {
    VTR_REQUIRE_FIXTURE("branded-wall.exe");
    const std::string original = ReadFile(PeTest::FixturePath("branded-wall.exe"));
    TResourceTree tree = PeTest::ReadTree(original);
    // Enough to need the relocations' page, not enough to reach the wall behind them.
    const TPeImage before(original);
    const TPeSection* rsrc = PeTest::SectionNamed(before, ".rsrc");
    tree.SetData(TResourceId::FromId(10), TResourceId::FromId(99), 0,
                 Fixtures::Pattern(0xB000 - rsrc->VirtualSize + 0x400, 5));
    const std::string rewritten = Rewrite(original, tree);
    PeTest::ExpectSoundLayout(rewritten);
    const TPeImage after(rewritten);
    EXPECT_EQ(after.Sections().size(), before.Sections().size());
    EXPECT_EQ(PeTest::SectionNamed(after, ".reloc")->VirtualAddress,
              PeTest::SectionNamed(before, ".reloc")->VirtualAddress + 0x1000);
}

TEST(PeResources, BytesAppendedToTheImageMoveWithIt) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const std::string archive = "PK\x05\x06 an appended archive";
    const std::string original = ReadFile(PeTest::FixturePath("branded.exe")) + archive;
    TResourceTree tree = PeTest::ReadTree(original);
    tree.SetData(TResourceId::FromId(10), TResourceId::FromId(99), 0, Fixtures::Pattern(70000, 6));
    const std::string rewritten = Rewrite(original, tree);
    ASSERT_GT(rewritten.size(), original.size());
    EXPECT_EQ(rewritten.substr(rewritten.size() - archive.size()), archive);
    std::uint64_t imageEnd = 0;
    const TPeImage image(rewritten);
    for (const TPeSection& s : image.Sections()) {
        imageEnd = std::max<std::uint64_t>(imageEnd, s.PointerToRawData + s.SizeOfRawData);
    }
    EXPECT_EQ(imageEnd + archive.size(), rewritten.size());
}

TEST(PeResources, EditingTheTree) {
    VTR_REQUIRE_FIXTURE("plain.exe");
    TResourceTree tree;
    const TResourceId rc = TResourceId::FromId(10);
    tree.SetData(rc, TResourceId::FromName(u"b"), 0, "b0");
    tree.SetData(rc, TResourceId::FromName(u"B"), 1033, "b1033"); // names ignore ASCII case
    tree.SetData(rc, TResourceId::FromId(2), 0, "two");
    tree.SetData(rc, TResourceId::FromName(u"A"), 0, "a");
    ASSERT_EQ(tree.Languages(rc, TResourceId::FromName(u"b")).size(), 2u);
    EXPECT_EQ(tree.FindData(rc, TResourceId::FromName(u"B"), 0)->Data, "b0");

    // An image without resources gets a new section; entries come back sorted as look-ups
    // need them: names first, in code-unit order, then IDs.
    const std::string plain = ReadFile(PeTest::FixturePath("plain.exe"));
    const std::string rewritten = Rewrite(plain, tree);
    PeTest::ExpectSoundLayout(rewritten);
    EXPECT_EQ(TPeImage(rewritten).Sections().back().Name, ".rsrc");
    EXPECT_EQ(OtherSections(rewritten), OtherSections(plain));
    const TResourceTree read = PeTest::ReadTree(rewritten);
    const auto& names = read.Root.Entries.at(0).Directory.Entries;
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].Id.Name, u"A");
    EXPECT_EQ(names[1].Id.Name, u"b");
    EXPECT_EQ(names[2].Id.Id, 2u);
    EXPECT_EQ(PeTest::Flatten(read), PeTest::Flatten(tree));

    EXPECT_TRUE(tree.Remove(rc, TResourceId::FromName(u"b"), 0));
    EXPECT_FALSE(tree.Remove(rc, TResourceId::FromName(u"b"), 0));
    EXPECT_TRUE(tree.Remove(rc, TResourceId::FromName(u"b"), 1033));
    EXPECT_EQ(tree.FindName(rc, TResourceId::FromName(u"b")), nullptr); // the emptied name table went too
    EXPECT_TRUE(tree.Remove(rc, TResourceId::FromName(u"A"), 0));
    EXPECT_TRUE(tree.Remove(rc, TResourceId::FromId(2), 0));
    EXPECT_TRUE(tree.Root.Entries.empty());
}

TEST(PeResources, DamagedTreesAreRefused) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const std::string original = ReadFile(PeTest::FixturePath("branded.exe"));
    const TPeImage image(original);
    const std::size_t root = PeTest::SectionNamed(image, ".rsrc")->PointerToRawData;
    const std::size_t firstEntry = root + 16;
    const std::pair<const char*, std::function<void(std::string&)>> cases[] = {
        {"a table that leads back to the root",
         [&](std::string& b) { PutU32(b, firstEntry + 4, 0x80000000u); }},
        {"a table beyond the image", [&](std::string& b) { PutU32(b, firstEntry + 4, 0xFFFFFF00u); }},
        {"a name beyond the image", [&](std::string& b) { PutU32(b, firstEntry, 0xFFFFFF00u); }},
        {"more entries than the section holds",
         [&](std::string& b) {
             PutU16(b, root + 12, 0xFFFF);
             PutU16(b, root + 14, 0xFFFF);
         }},
    };
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        std::string damaged = original;
        damage(damaged);
        EXPECT_THROW(PeTest::ReadTree(damaged), EResourceFormatError);
    }
}

TEST(PeImage, WhatIsNoPeImageIsRefused) {
    VTR_REQUIRE_FIXTURE("branded.exe");
    const std::string pe = ReadFile(PeTest::FixturePath("branded.exe"));
    std::string badMagic = pe;
    Fixtures::Put(badMagic, GetU32(pe, 0x3C) + 24, 0x999, 2);
    const std::size_t optional = GetU32(pe, 0x3C) + 24;
    std::string headersPastEnd = pe.substr(0, 0x1000);
    PutU32(headersPastEnd, optional + 60, 0x1001);
    std::string sectionInHeaders = pe;
    PutU32(sectionInHeaders, optional + 240 + 20, 0x200); // .text's bytes begin inside the headers
    // Headers that claim no size still hold the section table: a section over them would have
    // the rewrite replace the headers with its own bytes.
    std::string sectionOverTable = pe;
    PutU32(sectionOverTable, optional + 60, 0);
    PutU32(sectionOverTable, optional + 240 + 20, 0);
    std::string sharedAddresses = pe;
    PutU32(sharedAddresses, optional + 240 + 40 + 12, 0x1800); // .data begins inside .text
    const std::string cases[] = {
        "",
        "MZ",
        "\x7F"
        "ELF" +
            std::string(200, '\0'),
        pe.substr(0, 0x200),         // the section table is there, the sections are not
        pe.substr(0, pe.size() - 1), // the last section ends one byte past the end
        badMagic,
        headersPastEnd,
        sectionInHeaders,
        sectionOverTable,
        sharedAddresses,
    };
    for (const std::string& bytes : cases) {
        EXPECT_THROW(TPeImage{bytes}, EPeFormatError) << bytes.size();
    }
}

} // namespace
