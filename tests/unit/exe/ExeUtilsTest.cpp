#include "shared/exe/ExeUtils.h"
#include "ExeFixtures.h"

#include <gtest/gtest.h>

using namespace Shared;
using Fixtures::TTempDir;

namespace {

// An ELF image of exactly 4096 + 2 * 64 bytes whose headers say so.
const std::string Image = Fixtures::MakeElf64(1000, {}, 4096);

struct TRecorded {
    std::vector<std::int64_t> Max, Pos;
};

void Record(TExeUtils& utils, TRecorded& r) {
    utils.SetOnProgressMax([&r](TExeUtils&, std::int64_t v) { r.Max.push_back(v); });
    utils.SetOnProgressPos([&r](TExeUtils&, std::int64_t v) { r.Pos.push_back(v); });
}

class ExeUtils : public ::testing::Test {
protected:
    void SetUp() override {
        TExeUtils::SetInvalidApplicationHandler([this](std::string_view text, std::string_view caption) {
            Reports.push_back(std::string(caption) + ": " + std::string(text));
        });
    }
    void TearDown() override { TExeUtils::SetInvalidApplicationHandler(nullptr); }

    std::string MakeExe(const std::string& appended) {
        const std::string path = Dir / "app";
        Fixtures::WriteFile(path, Image + appended);
        return path;
    }

    TTempDir Dir;
    std::vector<std::string> Reports;
};

} // namespace

TEST_F(ExeUtils, RunningTestProgramCarriesNoArchive) {
    TExeUtils utils;
    EXPECT_FALSE(utils.ExePath().empty());
    EXPECT_EQ(utils.GetAttachedStubOffset(), utils.GetExeFileSize());
    EXPECT_FALSE(utils.ExeHasAttachedStub());
}

TEST_F(ExeUtils, FindsAndCopiesTheAppendedArchive) {
    const std::string archive = Fixtures::Pattern(30000, 1);
    TExeUtils utils(MakeExe(archive));
    EXPECT_EQ(utils.GetAttachedStubOffset(), static_cast<std::int64_t>(Image.size()));
    EXPECT_TRUE(utils.ExeHasAttachedStub());

    TMemoryStream memory;
    memory.Write("stale");
    utils.GetZipFromExe(memory);
    EXPECT_EQ(memory.View(), archive); // copied from position 0

    utils.ExtractZipFromExe(Dir / "out.zip");
    EXPECT_EQ(Fixtures::ReadFile(Dir / "out.zip"), archive);
    EXPECT_TRUE(Reports.empty());
}

TEST_F(ExeUtils, NothingAppendedOrCutOffMeansNoArchive) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"nothing appended", Image},
        {"shorter than its section table claims", Image.substr(0, Image.size() - 10)},
        {"not an executable", "plain text, long enough to be something"},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        Reports.clear();
        const std::string path = Dir / "cut";
        Fixtures::WriteFile(path, bytes);
        TExeUtils utils(path);
        EXPECT_FALSE(utils.ExeHasAttachedStub());

        TMemoryStream memory;
        memory.Write("kept");
        utils.GetZipFromExe(memory);
        EXPECT_EQ(memory.View(), "kept");
        utils.ExtractZipFromExe(Dir / "never.zip");
        EXPECT_FALSE(std::filesystem::exists(Dir / "never.zip"));
        EXPECT_EQ(Reports, std::vector<std::string>(2, "Error: This is not a valid Windows application"));
    }
}

TEST_F(ExeUtils, AppendingPutsASecondArchiveBehindTheFirst) {
    const std::string exe = MakeExe("");
    const std::string first = Fixtures::Pattern(5000, 2), second = Fixtures::Pattern(7000, 3);
    Fixtures::WriteFile(Dir / "first.zip", first);
    Fixtures::WriteFile(Dir / "second.zip", second);
    TExeUtils utils(exe);
    utils.AppendZipToExe(Dir / "first.zip", exe);
    utils.AppendZipToExe(Dir / "second.zip", exe);
    EXPECT_EQ(Fixtures::ReadFile(exe), Image + first + second); // the image itself untouched

    TMemoryStream memory;
    utils.GetZipFromExe(memory);
    EXPECT_EQ(memory.View(), first + second);
}

TEST_F(ExeUtils, ProgressComesEvery10240Bytes) {
    struct TCase {
        std::int64_t Size;
        std::vector<std::int64_t> Pos;
    };
    for (const TCase& c : {TCase{10240, {10240}}, TCase{10241, {10240, 10241}}, TCase{1, {1}}}) {
        SCOPED_TRACE(c.Size);
        const std::string archive = Fixtures::Pattern(static_cast<std::size_t>(c.Size), 4);
        Fixtures::WriteFile(Dir / "a.zip", archive);
        const std::string exe = MakeExe("");

        TExeUtils utils(exe);
        TRecorded append, get, extract;
        Record(utils, append);
        utils.AppendZipToExe(Dir / "a.zip", exe);
        Record(utils, get);
        TMemoryStream memory;
        utils.GetZipFromExe(memory);
        Record(utils, extract);
        utils.ExtractZipFromExe(Dir / "b.zip");

        for (const TRecorded* r : {&append, &get, &extract}) {
            EXPECT_EQ(r->Max, std::vector<std::int64_t>{c.Size});
            EXPECT_EQ(r->Pos, c.Pos);
        }
        EXPECT_EQ(memory.View(), archive);
        EXPECT_EQ(Fixtures::ReadFile(Dir / "b.zip"), archive);
    }
}

TEST_F(ExeUtils, ASourceShorterThanItsSizeEndsTheCopyWithAnError) {
    TExeUtils utils;
    TMemoryStream source{std::string(15000, 'x')};
    TMemoryStream target;
    try {
        utils.CopyChunks(source, target, 30000);
        FAIL() << "the copy did not stop";
    } catch (const EExeUtilsError& e) {
        EXPECT_STREQ(e.what(), "The source ended after 15000 of 30000 bytes");
    }
    EXPECT_EQ(target.Size(), 15000);
}

TEST_F(ExeUtils, MissingFilesRaiseAndChangeNothing) {
    const std::string exe = MakeExe("");
    TExeUtils utils(exe);
    EXPECT_THROW(utils.AppendZipToExe(Dir / "missing.zip", exe), EStreamError);
    Fixtures::WriteFile(Dir / "a.zip", "zip");
    EXPECT_THROW(utils.AppendZipToExe(Dir / "a.zip", Dir / "missing-exe"), EStreamError);
    EXPECT_FALSE(std::filesystem::exists(Dir / "missing-exe"));
    EXPECT_EQ(Fixtures::ReadFile(exe), Image);

    TExeUtils gone(Dir / "gone");
    EXPECT_THROW((void)gone.ExeHasAttachedStub(), EStreamError);
}

TEST(ExeUtilsFileSize, FilesFoldersAndNothing) {
    TTempDir dir;
    Fixtures::WriteFile(dir / "f", "12345");
    EXPECT_EQ(TExeUtils::GetFileSizeByPath(dir / "f"), 5);
    EXPECT_EQ(TExeUtils::GetFileSizeByPath(dir / "missing"), -1);
    EXPECT_EQ(TExeUtils::GetFileSizeByPath(dir.Path().string()), 0);
}

TEST(ExeUtilsDefaultHandler, WritesTheTextAndEndsWithExitCode0) {
    TTempDir dir;
    Fixtures::WriteFile(dir / "plain", Image);
    EXPECT_EXIT(
        {
            TExeUtils utils(dir / "plain");
            TMemoryStream memory;
            utils.GetZipFromExe(memory);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "Error: This is not a valid Windows application");
}
