#include "platform/InstanceLock.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Platform::InstanceLockFileName;
using Platform::TInstanceLock;

namespace {

unsigned Mode(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A runtime folder and a shared temporary folder of the test's own, named by the environment.
class InstanceLockTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vtr-lock-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Runtime = Root / "run";
        Tmp = Root / "tmp";
        fs::create_directory(Runtime);
        fs::permissions(Runtime, fs::perms::owner_all);
        fs::create_directory(Tmp);
        ::chmod(Tmp.c_str(), 01777);
        Save("XDG_RUNTIME_DIR");
        Save("TMPDIR");
        ::setenv("XDG_RUNTIME_DIR", Runtime.c_str(), 1);
        ::setenv("TMPDIR", Tmp.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : Saved) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        std::error_code ec;
        fs::remove_all(Root, ec);
    }
    void Save(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        Saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    fs::path Fallback() const { return Tmp / ("vtr-" + std::to_string(::geteuid())); }

    fs::path Root, Runtime, Tmp;
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

} // namespace

TEST(InstanceLockName, IsOnePlainFileNameForAnyID) {
    const std::string ids[] = {
        "org.example.app",           "a/b", "a_b", "a\\b", "..",          ".",
        std::string("a\0b", 3),      "a",   "",    "\n",   "caf\xC3\xA9", std::string(1000, 'x'),
        std::string(1000, 'x') + "y"};
    std::set<std::string> names;
    for (const std::string& id : ids) {
        const std::string name = InstanceLockFileName(id);
        EXPECT_EQ(name, InstanceLockFileName(id));
        EXPECT_TRUE(names.insert(name).second) << "two IDs share " << name;
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
        EXPECT_NE(name.front(), '.') << name;
        EXPECT_LE(name.size(), 255u) << name;
        for (const char c : name) {
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')
                << name;
        }
    }
    EXPECT_EQ(InstanceLockFileName("org.example.app").rfind("id-org.example.app-", 0), 0u);
}

TEST_F(InstanceLockTest, EveryInstanceHoldsTheLockAndAPlainStartNeedsItAlone) {
    const std::string id = "org.example.lock";
    auto first = std::make_unique<TInstanceLock>(id);
    ASSERT_TRUE(first->TryAcquire());
    EXPECT_FALSE(TInstanceLock(id).TryAcquire()) << "a plain start beside the first instance";
    auto launched = std::make_unique<TInstanceLock>(id);
    launched->Join();
    first.reset();
    EXPECT_FALSE(TInstanceLock(id).TryAcquire()) << "a plain start beside the launched instance";
    EXPECT_TRUE(TInstanceLock("org.example.other").TryAcquire()) << "another application";
    launched.reset();
    EXPECT_TRUE(TInstanceLock(id).TryAcquire()) << "no instance left";

    // In the session's runtime folder, for the user alone.
    EXPECT_EQ(Mode(Runtime / "vtr"), 0700u);
    EXPECT_EQ(Mode(Runtime / "vtr" / InstanceLockFileName(id)), 0600u);
    EXPECT_FALSE(fs::exists(Fallback()));
}

TEST_F(InstanceLockTest, WithoutTheSessionsOwnRuntimeFolderAPrivateFolderOfTheTemporaryFolderServes) {
    const fs::path open = Root / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms::owner_all | fs::perms::others_exec | fs::perms::others_read);
    const std::optional<std::string> runtimes[] = {std::nullopt, std::string("relative/run"), open.string(),
                                                   (Root / "missing").string()};
    for (const auto& runtime : runtimes) {
        SCOPED_TRACE(runtime.value_or("(unset)"));
        runtime ? ::setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
        TInstanceLock first("org.example.fallback");
        ASSERT_TRUE(first.TryAcquire());
        EXPECT_FALSE(TInstanceLock("org.example.fallback").TryAcquire());
        EXPECT_EQ(Mode(Fallback()), 0700u);
        EXPECT_TRUE(fs::exists(Fallback() / InstanceLockFileName("org.example.fallback")));
        EXPECT_FALSE(fs::exists(open / "vtr"));
    }
}

TEST_F(InstanceLockTest, WhatOthersPlantedInTheTemporaryFolderIsNeverFollowedNorLocksTheUserOut) {
    ::unsetenv("XDG_RUNTIME_DIR");
    const fs::path elsewhere = Root / "elsewhere";
    fs::create_directory(elsewhere);

    // A link in place of the folder: not followed; the application starts, unlocked.
    fs::create_directory_symlink(elsewhere, Fallback());
    EXPECT_TRUE(TInstanceLock("org.example.planted").TryAcquire());
    EXPECT_TRUE(TInstanceLock("org.example.planted").TryAcquire());
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(fs::is_symlink(Fallback()));
    fs::remove(Fallback());

    // A folder of the user's own that others could write to: closed, and a link left inside it
    // under the lock file's name is replaced by the lock file.
    fs::create_directory(Fallback());
    ::chmod(Fallback().c_str(), 0777);
    const fs::path lockFile = Fallback() / InstanceLockFileName("org.example.planted");
    fs::create_symlink(elsewhere / "target", lockFile);
    TInstanceLock first("org.example.planted");
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_FALSE(TInstanceLock("org.example.planted").TryAcquire());
    EXPECT_EQ(Mode(Fallback()), 0700u);
    EXPECT_FALSE(fs::is_symlink(lockFile));
    EXPECT_TRUE(fs::is_empty(elsewhere));
}
