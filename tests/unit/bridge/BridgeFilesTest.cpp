#include "shared/bridge/BridgeFiles.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "shared/text/Base64.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vtr-files-XXXXXX").string();
        FDir = mkdtemp(tmpl.data());
    }
    void TearDown() override {
        fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(FDir);
    }
    fs::path FDir;
};

} // namespace

TEST(ResolveBridgePath, AbsoluteOrBesideTheExecutable) {
    EXPECT_EQ(Shared::ResolveBridgePath("/data/x.txt", "/opt/app/"), "/data/x.txt");
    EXPECT_EQ(Shared::ResolveBridgePath("data/list.txt", "/opt/app/"), "/opt/app/data/list.txt");
    EXPECT_EQ(Shared::ResolveBridgePath("data\\sub\\a.txt", "/opt/app/"), "/opt/app/data/sub/a.txt");
    EXPECT_EQ(Shared::ResolveBridgePath("../up.txt", "/opt/app/"), "/opt/app/../up.txt");
    EXPECT_EQ(Shared::ResolveBridgePath("5", "/opt/app/"), "/opt/app/5");
}

TEST(MakeTextFileBytes, LineBreaksBecomeCrLf) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "\xEF\xBB\xBF"},
        {"a\nb", "\xEF\xBB\xBF"
                 "a\r\nb\r\n"},
        {"a\r\rb", "\xEF\xBB\xBF"
                   "a\r\n\r\nb\r\n"},
        {"a\r\nb\r\n", "\xEF\xBB\xBF"
                       "a\r\nb\r\n"},
        {"\n", "\xEF\xBB\xBF\r\n"},
        {std::string("a\0b", 3), "\xEF\xBB\xBF"
                                 "a\r\n"},
        {"caf\u00e9 \u20ac", "\xEF\xBB\xBF"
                             "caf\u00e9 \u20ac\r\n"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Shared::MakeTextFileBytes(in), out);
    }
}

TEST(DecodeBase64Groups, WholeGroupsAndPadding) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"aGVsbG8=", "hello"},
        {"aGVsbA==", "hell"},
        {"aGVs", "hel"},
        {"aGVsbG8gd29ybGQ", "hello wor"}, // a final partial group is ignored
        {"AAEC/w==", std::string("\x00\x01\x02\xff", 4).substr(0, 4)},
        {"+/+/", "\xfb\xff\xbf"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Shared::DecodeBase64Groups(in), out) << in;
    }
    EXPECT_EQ(Shared::DecodeBase64Groups("a b=").size(), 2u); // nothing rejected
}

TEST_F(TempFolder, ReplaceFileContentsIsAtomicFollowsLinksAndKeepsMode) {
    const fs::path file = FDir / "doc.txt";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms(0640));
    ASSERT_TRUE(Platform::ReplaceFileContents(file.string(), "new"));
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, fs::perms(0640));

    const fs::path link = FDir / "link.txt";
    fs::create_symlink("doc.txt", link);
    ASSERT_TRUE(Platform::ReplaceFileContents(link.string(), "through link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(file), "through link");

    ASSERT_TRUE(Platform::ReplaceFileContents((FDir / "fresh.bin").string(), std::string("\0\1", 2)));
    EXPECT_EQ(ReadFile(FDir / "fresh.bin"), std::string("\0\1", 2));
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 3); // no temporary left
}

TEST_F(TempFolder, FailuresLeaveTheOldFileAndReportTheReason) {
    if (geteuid() == 0) {
        // root ignores permission bits; the write-in-place path is still exercised below.
        GTEST_SKIP() << "permission checks do not apply to root";
    }
    const fs::path sealed = FDir / "sealed";
    fs::create_directories(sealed);
    std::ofstream(sealed / "keep.txt") << "old";
    fs::permissions(sealed / "keep.txt", fs::perms(0444));
    fs::permissions(sealed, fs::perms(0555));
    EXPECT_FALSE(Platform::ReplaceFileContents((sealed / "keep.txt").string(), "new"));
    EXPECT_EQ(ReadFile(sealed / "keep.txt"), "old");
    EXPECT_EQ(Platform::LastErrorText(), "Permission denied");
    // The folder refuses new files, but the file itself is writable: written in place.
    fs::permissions(sealed / "keep.txt", fs::perms(0644));
    EXPECT_TRUE(Platform::ReplaceFileContents((sealed / "keep.txt").string(), "new"));
    EXPECT_EQ(ReadFile(sealed / "keep.txt"), "new");
    fs::permissions(sealed, fs::perms::owner_all, fs::perm_options::add); // so that it can be removed
}

TEST_F(TempFolder, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
    const fs::path file = FDir / "doc.txt";
    std::ofstream(file) << "old contents";
    // A file-size limit makes the write fail like a full disk does, for root too. The child
    // process carries the limit so that the test process keeps its own.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = Platform::ReplaceFileContents(file.string(), std::string(4096, 'x'));
        _exit(!ok && Platform::LastErrorText() == "File too large" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(file), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1); // temporary removed
}

TEST_F(TempFolder, AFolderIsNotReplaced) {
    fs::create_directories(FDir / "dir");
    EXPECT_FALSE(Platform::ReplaceFileContents((FDir / "dir").string(), "x"));
    EXPECT_EQ(Platform::LastErrorText(), "Is a directory");
    EXPECT_TRUE(Platform::CreateParentFolders((FDir / "a/b/c.txt").string()));
    EXPECT_TRUE(fs::is_directory(FDir / "a/b"));
}
