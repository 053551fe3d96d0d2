// ChangeExeIcon and UpdateExeInfo on cross-built Windows executables.

#include "PeTestSupport.h"
#include "shared/exe/ExeUtils.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/VersionInfo.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Shared;
using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {

const TResourceId GroupIcon = TResourceId::FromId(ResourceType::GroupIcon);
const TResourceId Icon = TResourceId::FromId(ResourceType::Icon);
const TResourceId MainIcon = TResourceId::FromName(u"MAINICON");

class ExeResources : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PeTest::HaveFixture("branded.exe")) {
            GTEST_SKIP() << "the PE fixtures were not built (the MinGW-w64 cross tools are missing)";
        }
    }

    // A copy of a fixture in the test's own folder.
    std::string Copy(const std::string& name) {
        const std::string path = FDir / name;
        WriteFile(path, ReadFile(PeTest::FixturePath(name)));
        return path;
    }

    // The icon IDs the group lists, in order.
    static std::vector<std::uint32_t> GroupIds(const std::string& group) {
        std::vector<std::uint32_t> ids;
        for (std::size_t i = 0; i < GetU16(group, 4); ++i) {
            ids.push_back(GetU16(group, 6 + 14 * i + 12));
        }
        return ids;
    }

    // Runs ChangeExeIcon and returns its error text, or "" when it succeeded.
    static std::string ChangeIcon(const std::string& exe, const std::string& ico) {
        try {
            TExeUtils::ChangeExeIcon(exe, ico);
            return "";
        } catch (const EExeResourceError& e) {
            return e.what();
        }
    }

    Fixtures::TTempDir FDir;
};

TEST_F(ExeResources, FiveImagesBecomeThreeWithIdsOneToThree) {
    const std::string exe = Copy("branded.exe");
    const std::string before = ReadFile(exe);
    TExeUtils::ChangeExeIcon(exe, PeTest::FixturePath("three.ico"));
    const std::string after = ReadFile(exe);
    PeTest::ExpectSoundLayout(after);

    const TResourceTree tree = PeTest::ReadTree(after);
    const TIconFile icon = TIconFile::Parse(ReadFile(PeTest::FixturePath("three.ico")));
    const auto groups = tree.Languages(GroupIcon, MainIcon);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->Id.Id, 1033u);
    EXPECT_EQ(groups[0]->Data, icon.BuildGroup(0, 1, {1, 2, 3}));
    for (std::uint32_t id = 1; id <= 3; ++id) {
        ASSERT_NE(tree.FindData(Icon, TResourceId::FromId(id), 1033), nullptr) << id;
        EXPECT_EQ(tree.FindData(Icon, TResourceId::FromId(id), 1033)->Data, icon.Images[id - 1].Bytes);
    }
    EXPECT_TRUE(tree.Languages(Icon, TResourceId::FromId(4)).empty());
    EXPECT_TRUE(tree.Languages(Icon, TResourceId::FromId(5)).empty());

    // The other group, its icons 6 and 7 and every other resource are as they were.
    const PeTest::TFlat old = PeTest::Flatten(PeTest::ReadTree(before));
    const PeTest::TFlat now = PeTest::Flatten(tree);
    for (const char* key : {"3/6/1033", "3/7/1033", "14/\"SECOND\"/1033"}) {
        EXPECT_EQ(now.at(key), old.at(key)) << key;
    }
    EXPECT_EQ(PeTest::Without(now, {"3", "14"}), PeTest::Without(old, {"3", "14"}));
}

TEST_F(ExeResources, NewImagesSkipTheIdsOfIconsAnotherGroupShows) {
    const std::string exe = Copy("branded.exe");
    std::vector<std::string> images;
    std::string ico;
    AppendU16(ico, 0);
    AppendU16(ico, 1);
    AppendU16(ico, 7);
    for (std::uint32_t i = 0; i < 7; ++i) {
        ico += std::string{static_cast<char>(16 + i), static_cast<char>(16 + i), 0, 0, 1, 0, 32, 0};
        AppendU32(ico, 100);
        AppendU32(ico, 6 + 16 * 7 + 100 * i);
    }
    ico += Fixtures::Pattern(700, 9);
    WriteFile(FDir / "seven.ico", ico);

    TExeUtils::ChangeExeIcon(exe, FDir / "seven.ico");
    const TResourceTree tree = PeTest::ReadTree(ReadFile(exe));
    EXPECT_EQ(GroupIds(tree.FindData(GroupIcon, MainIcon, 1033)->Data),
              (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 8, 9}));
    const std::string second = tree.FindData(GroupIcon, TResourceId::FromName(u"SECOND"), 1033)->Data;
    EXPECT_EQ(GroupIds(second), (std::vector<std::uint32_t>{6, 7}));
    const PeTest::TFlat old = PeTest::Flatten(PeTest::ReadTree(ReadFile(PeTest::FixturePath("branded.exe"))));
    EXPECT_EQ(tree.FindData(Icon, TResourceId::FromId(6), 1033)->Data, old.at("3/6/1033").second);
}

TEST_F(ExeResources, AnIconOfOneMebibytePassesOneByteMoreDoesNot) {
    const std::string exe = Copy("branded.exe");
    const auto icon = [](std::size_t size) {
        std::string ico;
        AppendU16(ico, 0);
        AppendU16(ico, 1);
        AppendU16(ico, 1);
        ico += std::string("\0\0\0\0\1\0\x20\0", 8);
        AppendU32(ico, static_cast<std::uint32_t>(size - 22));
        AppendU32(ico, 22);
        return ico + Fixtures::Pattern(size - 22, 2);
    };
    WriteFile(FDir / "exact.ico", icon(1048576));
    WriteFile(FDir / "over.ico", icon(1048577));

    const std::string before = ReadFile(exe);
    EXPECT_EQ(ChangeIcon(exe, FDir / "over.ico"), "Icon file is too large");
    EXPECT_EQ(ReadFile(exe), before);

    EXPECT_EQ(ChangeIcon(exe, FDir / "exact.ico"), "");
    const std::string after = ReadFile(exe);
    PeTest::ExpectSoundLayout(after);
    EXPECT_EQ(PeTest::ReadTree(after).FindData(Icon, TResourceId::FromId(1), 1033)->Data.size(),
              1048576u - 22);
}

TEST_F(ExeResources, FailuresRaiseTheFixedTextsAndLeaveTheExecutable) {
    const std::string branded = ReadFile(PeTest::FixturePath("branded.exe"));
    const std::string three = PeTest::FixturePath("three.ico");

    // A group without any language entry, and a group that lists an icon without one.
    const auto edited = [&](const std::function<void(TResourceTree&)>& edit) {
        TResourceTree tree = PeTest::ReadTree(branded);
        edit(tree);
        return TPeImage(branded).ReplaceResources([&](std::uint32_t rva) { return tree.Build(rva); });
    };
    const std::string groupWithoutLanguage = edited([](TResourceTree& t) {
        const_cast<TResourceEntry*>(t.FindName(GroupIcon, MainIcon))->Directory.Entries.clear();
    });
    const std::string iconWithoutLanguage = edited([](TResourceTree& t) {
        const_cast<TResourceEntry*>(t.FindName(Icon, TResourceId::FromId(4)))->Directory.Entries.clear();
    });
    const std::string iconMissing =
        edited([](TResourceTree& t) { t.Remove(Icon, TResourceId::FromId(2), 1033); });
    WriteFile(FDir / "exe.ico", branded);
    std::string pastEnd = ReadFile(three);
    PutU32(pastEnd, 6 + 16 * 2 + 8, GetU32(pastEnd, 6 + 16 * 2 + 8) + 1);
    WriteFile(FDir / "past-end.ico", pastEnd);

    struct TCase {
        const char* What;
        std::string Exe;
        std::string Ico;
        const char* Error;
    };
    const TCase cases[] = {
        {"an executable as the icon", branded, FDir / "exe.ico", "Icon file is invalid"},
        {"an image past the end", branded, FDir / "past-end.ico", "Icon file is invalid"},
        {"an ELF file", ReadFile("/proc/self/exe"), three, "BeginUpdateResource failed (1)"},
        {"a cut-off PE file", branded.substr(0, branded.size() / 2), three, "BeginUpdateResource failed (1)"},
        {"no resources", ReadFile(PeTest::FixturePath("plain.exe")), three, "FindResource failed (1)"},
        {"a group without language", groupWithoutLanguage, three, "GetResourceLanguage failed (1)"},
        {"an icon without language", iconWithoutLanguage, three, "GetResourceLanguage failed (2)"},
        {"a listed icon that is missing", iconMissing, three, "GetResourceLanguage failed (2)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string exe = FDir / "target.exe";
        WriteFile(exe, c.Exe);
        EXPECT_EQ(ChangeIcon(exe, c.Ico), c.Error);
        EXPECT_EQ(ReadFile(exe), c.Exe);
    }
    EXPECT_EQ(ChangeIcon(FDir / "missing.exe", three), "BeginUpdateResource failed (1)");
    EXPECT_THROW(TExeUtils::ChangeExeIcon(FDir / "target.exe", FDir / "missing.ico"), EStreamError);
    // A pipe or a folder named as the icon is refused before anything opens it: no wait for a
    // writer that never comes.
    ASSERT_EQ(::mkfifo((FDir / "pipe.ico").c_str(), 0600), 0);
    EXPECT_THROW(TExeUtils::ChangeExeIcon(FDir / "target.exe", FDir / "pipe.ico"), EStreamError);
    EXPECT_THROW(TExeUtils::ChangeExeIcon(FDir / "target.exe", FDir.Path().string()), EStreamError);
}

TEST_F(ExeResources, AWriteThatFailsIsEndUpdateResourceAndKeepsTheFile) {
    const std::string exe = Copy("branded.exe");
    const std::string before = ReadFile(exe);
    // A file-size limit fails the write like a full disk does, for root too; the child
    // process carries the limit.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = ChangeIcon(exe, PeTest::FixturePath("three.ico"));
        const bool version = TExeUtils::UpdateExeInfo(exe, TExeVersionStrings{.ProductName = "X"});
        _exit(error == "EndUpdateResource failed" && !version ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(exe), before);
}

TEST_F(ExeResources, VersionStringsChangeUnderEveryTranslationInTheResourcesOwnLanguage) {
    const std::string exe = Copy("branded.exe");
    const std::string before = ReadFile(exe);
    const std::string longName = "Notes \xE2\x80\x94 a product name much longer than the old one";
    ASSERT_TRUE(TExeUtils::UpdateExeInfo(exe, TExeVersionStrings{.CompanyName = "Example Ltd",
                                                                 .LegalTrademarks = "not in the block",
                                                                 .OriginalFileName = "notes.exe",
                                                                 .ProductName = longName}));
    const std::string after = ReadFile(exe);
    PeTest::ExpectSoundLayout(after);
    const TResourceTree tree = PeTest::ReadTree(after);
    const auto versions = tree.Languages(TResourceId::FromId(ResourceType::Version), TResourceId::FromId(1));
    ASSERT_EQ(versions.size(), 1u); // replaced in German, no neutral copy beside it
    EXPECT_EQ(versions[0]->Id.Id, 1031u);

    const TVersionInfo info = TVersionInfo::Parse(versions[0]->Data);
    const TVersionTranslation us{0x0409, 1200};
    const TVersionTranslation de{0x0407, 1252};
    EXPECT_EQ(info.QueryString(us, "CompanyName"), "Example Ltd");
    EXPECT_EQ(info.QueryString(de, "CompanyName"), "Example Ltd");
    EXPECT_EQ(info.QueryString(us, "ProductName"), longName);
    EXPECT_EQ(info.QueryString(de, "ProductName"), longName);
    EXPECT_EQ(info.QueryString(us, "OriginalFilename"), "notes.exe");
    EXPECT_EQ(info.QueryString(de, "OriginalFilename"), std::nullopt); // not in that table: not added
    EXPECT_EQ(info.QueryString(us, "LegalTrademarks"), std::nullopt);
    EXPECT_EQ(info.QueryString(us, "FileDescription"), "Old description"); // not given: kept
    EXPECT_EQ(info.QueryString(us, "PrivateBuild"), "untouched key");
    EXPECT_EQ(PeTest::Without(PeTest::Flatten(tree), {"16"}),
              PeTest::Without(PeTest::Flatten(PeTest::ReadTree(before)), {"16"}));
}

TEST_F(ExeResources, TheElevenValuesFormSetEveryKeyTheBlockHolds) {
    const std::string exe = Copy("branded.exe");
    ASSERT_TRUE(TExeUtils::UpdateExeInfo(exe, "Co", "Desc", "2.0", "int", "(c)", "tm", "orig.exe", "pid",
                                         "Prod", "2.0.1", ""));
    const TResourceTree tree = PeTest::ReadTree(ReadFile(exe));
    const auto where = tree.FindVersion();
    const TVersionInfo info =
        TVersionInfo::Parse(tree.FindData(where->Type, where->Name, where->Language)->Data);
    const TVersionTranslation us{0x0409, 1200};
    EXPECT_EQ(info.QueryString(us, "FileVersion"), "2.0");
    EXPECT_EQ(info.QueryString(us, "Comments"), "");
    EXPECT_EQ(info.QueryString({0x0407, 1252}, "FileVersion"), "2.0");
    EXPECT_EQ(info.QueryString(us, "ProgramID"), std::nullopt);
}

TEST_F(ExeResources, WithoutVersionInformationNothingChanges) {
    const TExeVersionStrings values{.ProductName = "New"};
    for (const char* name : {"plain.exe", "notrans.exe"}) {
        SCOPED_TRACE(name);
        const std::string exe = Copy(name);
        const std::string before = ReadFile(exe);
        EXPECT_FALSE(TExeUtils::UpdateExeInfo(exe, values));
        EXPECT_EQ(ReadFile(exe), before);
    }
    EXPECT_FALSE(TExeUtils::UpdateExeInfo(FDir / "missing.exe", values));
    WriteFile(FDir / "elf", ReadFile("/proc/self/exe").substr(0, 4096));
    EXPECT_FALSE(TExeUtils::UpdateExeInfo(FDir / "elf", values));
}

TEST_F(ExeResources, ThirtyTwoBitImages) {
    if (!PeTest::HaveFixture("branded32.exe")) {
        GTEST_SKIP() << "branded32.exe was not built (the i686 MinGW-w64 tools are missing)";
    }
    const std::string exe = Copy("branded32.exe");
    TExeUtils::ChangeExeIcon(exe, PeTest::FixturePath("big.ico"));
    ASSERT_TRUE(TExeUtils::UpdateExeInfo(exe, TExeVersionStrings{.ProductName = "Thirty-two"}));
    const std::string after = ReadFile(exe);
    PeTest::ExpectSoundLayout(after);
    EXPECT_FALSE(TPeImage(after).Is64());
    const TResourceTree tree = PeTest::ReadTree(after);
    EXPECT_EQ(GroupIds(tree.FindData(GroupIcon, MainIcon, 1033)->Data), (std::vector<std::uint32_t>{1}));
    const auto where = tree.FindVersion();
    EXPECT_EQ(TVersionInfo::Parse(tree.FindData(where->Type, where->Name, where->Language)->Data)
                  .QueryString({0x0409, 1200}, "ProductName"),
              "Thirty-two");
}

} // namespace
