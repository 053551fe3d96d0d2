#include "platform/PrivateFiles.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TTempDir {
    TTempDir() {
        std::string pattern = (fs::temp_directory_path() / "vtr-private-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        Path = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

struct stat Stat(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(PrivateFiles, FoldersAreMadeAndTightenedForTheUserAlone) {
    TTempDir dir;
    ASSERT_TRUE(Platform::CreatePrivateFolder((dir.Path / "data/app/Win64/").string()));
    for (const char* made : {"data", "data/app", "data/app/Win64"}) {
        EXPECT_EQ(Stat(dir.Path / made).st_mode & 07777, 0700u) << made;
    }
    // A folder made world-readable by an earlier start is closed; what it holds stays.
    fs::create_directory(dir.Path / "open");
    Write(dir.Path / "open" / "cookies", "kept");
    fs::permissions(dir.Path / "open", fs::perms::all);
    ASSERT_TRUE(Platform::CreatePrivateFolder((dir.Path / "open").string()));
    EXPECT_EQ(Stat(dir.Path / "open").st_mode & 07777, 0700u);
    EXPECT_EQ(Read(dir.Path / "open" / "cookies"), "kept");

    Write(dir.Path / "file", "x");
    EXPECT_FALSE(Platform::CreatePrivateFolder((dir.Path / "file").string()));
    EXPECT_FALSE(Platform::CreatePrivateFolder((dir.Path / "file" / "below").string()));
    EXPECT_FALSE(Platform::LastErrorText().empty());
}

TEST(PrivateFiles, AFileIsReplacedByRenameSoWhoMapsTheOldOneKeepsItsBytes) {
    TTempDir dir;
    const fs::path path = dir.Path / "engine.so";
    const std::string old(8192, 'o');
    Write(path, old);
    const ino_t oldInode = Stat(path).st_ino;
    // As a loaded library is mapped: rewriting the file in place would change these pages, and
    // cutting it short would make reading them raise SIGBUS.
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    void* mapped = ::mmap(nullptr, old.size(), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    ASSERT_NE(mapped, MAP_FAILED);

    ASSERT_TRUE(Platform::WritePrivateFile(path.string(), "new engine"));
    EXPECT_EQ(std::string(static_cast<const char*>(mapped), old.size()), old);
    ::munmap(mapped, old.size());
    EXPECT_EQ(Read(path), "new engine");
    EXPECT_NE(Stat(path).st_ino, oldInode);
    EXPECT_EQ(Stat(path).st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), {}), 1) << "a temporary file was left";

    // A link at the path is replaced, its target left alone.
    Write(dir.Path / "target", "target");
    fs::create_symlink(dir.Path / "target", dir.Path / "link");
    ASSERT_TRUE(Platform::WritePrivateFile((dir.Path / "link").string(), ""));
    EXPECT_FALSE(fs::is_symlink(dir.Path / "link"));
    EXPECT_EQ(Read(dir.Path / "link"), "");
    EXPECT_EQ(Read(dir.Path / "target"), "target");

    EXPECT_FALSE(Platform::WritePrivateFile((dir.Path / "missing" / "file").string(), "x"));
    EXPECT_FALSE(Platform::LastErrorText().empty());
}
