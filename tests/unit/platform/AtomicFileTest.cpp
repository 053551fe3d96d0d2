#include "platform/AtomicFile.h"
#include "platform/LastError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// The other user: as root, the tests give files and links to nobody.
constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct stat StatusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

bool IsRoot() {
    return ::geteuid() == 0;
}

// Runs Body in a child process, as nobody when AsNobody (the caller is root then), with writes
// limited to a few bytes as a full disk would limit them. True when Body returned true.
bool InLimitedChild(bool AsNobody, const std::function<bool()>& Body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (AsNobody && (::setgroups(0, nullptr) != 0 || ::setgid(NoGroup) != 0 || ::setuid(Nobody) != 0)) {
            ::_exit(2);
        }
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(Body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vtr-atomic-XXXXXX").string();
        FDir = ::mkdtemp(tmpl.data());
        fs::permissions(FDir, fs::perms(0755)); // nobody may pass through, for the cases that need it
    }
    void TearDown() override { fs::remove_all(FDir); }

    // A folder like /tmp: everyone may add names to it, and only a name's owner may remove it.
    fs::path SharedFolder(const std::string& Name, uid_t Owner) {
        const fs::path folder = FDir / Name;
        fs::create_directory(folder);
        EXPECT_EQ(::chown(folder.c_str(), Owner, static_cast<gid_t>(-1)), 0);
        EXPECT_EQ(::chmod(folder.c_str(), 01777), 0);
        return folder;
    }

    fs::path FDir;
};

} // namespace

TEST_F(AtomicFile, ALinkInASharedFolderIsFollowedOnlyWhenItsOwnerIsTrusted) {
    const uid_t me = ::geteuid();
    SharedFolder("shared", me);
    if (IsRoot()) {
        SharedFolder("theirs", Nobody);
    }
    fs::create_directory(FDir / "private");
    struct TLink {
        const char* Path;
        const char* Target;
        uid_t Owner;
    };
    struct TCase {
        const char* Name;
        std::vector<TLink> Links;
        const char* Write;
        const char* Lands; // where the bytes go when every link is followed
        bool Followed;
    };
    const std::vector<TCase> cases = {
        {"plain file", {}, "victim.txt", "victim.txt", true},
        {"own link in a shared folder",
         {{"shared/mine", "../victim.txt", me}},
         "shared/mine",
         "victim.txt",
         true},
        {"own links in a chain",
         {{"private/first", "../shared/second", me}, {"shared/second", "../victim.txt", me}},
         "private/first",
         "victim.txt",
         true},
        {"foreign link in a private folder",
         {{"private/theirs", "../victim.txt", Nobody}},
         "private/theirs",
         "victim.txt",
         true},
        {"the shared folder owner's link",
         {{"theirs/link", "../victim.txt", Nobody}},
         "theirs/link",
         "victim.txt",
         true},
        {"foreign link in a shared folder",
         {{"shared/trap", "../victim.txt", Nobody}},
         "shared/trap",
         "victim.txt",
         false},
        {"own link to a foreign link",
         {{"private/mine", "../shared/trap2", me}, {"shared/trap2", "../victim.txt", Nobody}},
         "private/mine",
         "victim.txt",
         false},
        {"foreign link as a folder",
         {{"shared/dir", "..", Nobody}},
         "shared/dir/victim.txt",
         "victim.txt",
         false},
        {"foreign link to a missing file",
         {{"shared/new", "../created.txt", Nobody}},
         "shared/new",
         "created.txt",
         false},
    };
    for (const TCase& c : cases) {
        const bool foreign =
            std::any_of(c.Links.begin(), c.Links.end(), [](const TLink& l) { return l.Owner == Nobody; });
        if (foreign && !IsRoot()) {
            continue; // giving a link to another user needs root
        }
        WriteFile(FDir / "victim.txt", "old");
        for (const TLink& l : c.Links) {
            fs::create_symlink(l.Target, FDir / l.Path);
            ASSERT_EQ(::lchown((FDir / l.Path).c_str(), l.Owner, static_cast<gid_t>(-1)), 0);
        }
        const bool written = Platform::ReplaceFileContents((FDir / c.Write).string(), "new");
        EXPECT_EQ(written, c.Followed) << c.Name << ": " << Platform::LastErrorText();
        if (c.Followed) {
            EXPECT_EQ(ReadFile(FDir / c.Lands), "new") << c.Name;
        } else {
            EXPECT_THAT(Platform::LastErrorText(), HasSubstr("belongs to another user in a shared folder"))
                << c.Name;
            EXPECT_EQ(ReadFile(FDir / "victim.txt"), "old") << c.Name;
            EXPECT_FALSE(fs::exists(FDir / "created.txt")) << c.Name;
        }
        for (const TLink& l : c.Links) {
            EXPECT_TRUE(fs::is_symlink(FDir / l.Path)) << c.Name << ": " << l.Path;
        }
    }
    if (IsRoot()) {
        // Missing folders are not made through such a link either.
        EXPECT_FALSE(Platform::CreateParentFolders((FDir / "shared/dir/made/x.txt").string()));
        EXPECT_FALSE(fs::exists(FDir / "made"));
        EXPECT_TRUE(Platform::CreateParentFolders((FDir / "shared/mine-made/x.txt").string()));
        EXPECT_TRUE(fs::is_directory(FDir / "shared/mine-made"));
    }
}

TEST_F(AtomicFile, AnotherUsersFileOrFifoInASharedFolderIsNotWritten) {
    if (!IsRoot()) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    const fs::path shared = SharedFolder("shared", ::geteuid());
    WriteFile(shared / "theirs.txt", "theirs");
    ASSERT_EQ(::mkfifo((shared / "theirs.fifo").c_str(), 0666), 0);
    for (const char* name : {"theirs.txt", "theirs.fifo"}) {
        const fs::path path = shared / name;
        ASSERT_EQ(::chown(path.c_str(), Nobody, NoGroup), 0);
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
        EXPECT_FALSE(Platform::ReplaceFileContents(path.string(), "mine")) << name;
        EXPECT_THAT(Platform::LastErrorText(), HasSubstr("belongs to another user in a shared folder"))
            << name;
        EXPECT_EQ(StatusOf(path).st_uid, Nobody) << name;
    }
    EXPECT_EQ(ReadFile(shared / "theirs.txt"), "theirs");
}

TEST_F(AtomicFile, AWriteKeepsWhatMakesTheFileItself) {
    struct TCase {
        const char* Name;
        std::function<void(const fs::path&)> Make;
        bool NeedsRoot;
        bool SameFile; // written in place rather than replaced by a new file
    };
    const std::vector<TCase> cases = {
        {"own file", [](const fs::path& p) { fs::permissions(p, fs::perms(0640)); }, false, false},
        {"own file of another group",
         [](const fs::path& p) {
             ASSERT_EQ(::chown(p.c_str(), static_cast<uid_t>(-1), NoGroup), 0);
             fs::permissions(p, fs::perms(0640));
         },
         true, false},
        {"hard link", [](const fs::path& p) { fs::create_hard_link(p, p.string() + ".other"); }, false, true},
        {"another user's group-writable file",
         [](const fs::path& p) {
             ASSERT_EQ(::chown(p.c_str(), Nobody, NoGroup), 0);
             fs::permissions(p, fs::perms(0664));
         },
         true, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        if (c.NeedsRoot && !IsRoot()) {
            continue;
        }
        const fs::path folder = FDir / ("case" + std::to_string(i));
        fs::create_directory(folder);
        const fs::path file = folder / "doc.txt";
        WriteFile(file, "old contents");
        c.Make(file);
        const struct stat before = StatusOf(file);
        const std::size_t entries = EntriesIn(folder);

        ASSERT_TRUE(Platform::ReplaceFileContents(file.string(), "new"))
            << c.Name << ": " << Platform::LastErrorText();
        const struct stat after = StatusOf(file);
        EXPECT_EQ(ReadFile(file), "new") << c.Name;
        EXPECT_EQ(after.st_uid, before.st_uid) << c.Name;
        EXPECT_EQ(after.st_gid, before.st_gid) << c.Name;
        EXPECT_EQ(after.st_mode, before.st_mode) << c.Name;
        EXPECT_EQ(after.st_nlink, before.st_nlink) << c.Name;
        EXPECT_EQ(after.st_ino == before.st_ino, c.SameFile) << c.Name;
        EXPECT_EQ(EntriesIn(folder), entries) << c.Name; // no temporary file left
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_EQ(ReadFile(entry.path()), "new") << c.Name << ": " << entry.path(); // every name
        }
    }
}

TEST_F(AtomicFile, AWriteInPlaceThatDoesNotFitKeepsTheOldContents) {
    // A hard-linked file is written in place after the new contents have fitted beside it; in a
    // folder that takes no new file (for nobody), the room is claimed before anything is written.
    const fs::path linked = FDir / "linked.txt";
    WriteFile(linked, "old contents");
    fs::create_hard_link(linked, FDir / "linked-other.txt");
    EXPECT_TRUE(InLimitedChild(false, [&] {
        return !Platform::ReplaceFileContents(linked.string(), std::string(4096, 'x')) &&
               Platform::LastErrorText() == "File too large";
    }));
    EXPECT_EQ(ReadFile(linked), "old contents");
    EXPECT_EQ(ReadFile(FDir / "linked-other.txt"), "old contents");
    EXPECT_EQ(EntriesIn(FDir), 2u);

    const fs::path sealed = FDir / "sealed";
    fs::create_directory(sealed);
    const fs::path kept = sealed / "kept.txt";
    WriteFile(kept, "old contents");
    if (IsRoot()) {
        ASSERT_EQ(::chown(sealed.c_str(), Nobody, NoGroup), 0);
        ASSERT_EQ(::chown(kept.c_str(), Nobody, NoGroup), 0);
    }
    fs::permissions(sealed, fs::perms(0555));
    EXPECT_TRUE(InLimitedChild(IsRoot(), [&] {
        return !Platform::ReplaceFileContents(kept.string(), std::string(4096, 'x')) &&
               Platform::LastErrorText() == "File too large" && ReadFile(kept) == "old contents" &&
               Platform::ReplaceFileContents(kept.string(), "fits");
    }));
    EXPECT_EQ(ReadFile(kept), "fits");
    fs::permissions(sealed, fs::perms(0755));
}

TEST_F(AtomicFile, AFifoTakesTheBytesAndNeverHoldsTheWriter) {
    const fs::path fifo = FDir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    EXPECT_FALSE(Platform::ReplaceFileContents(fifo.string(), "nobody listens"));
    EXPECT_EQ(Platform::LastErrorText(), "No program has the FIFO open for reading");

    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(Platform::ReplaceFileContents(fifo.string(), "through the pipe"))
        << Platform::LastErrorText();
    char buffer[64];
    const ssize_t n = ::read(reader, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0))), "through the pipe");
    EXPECT_TRUE(S_ISFIFO(StatusOf(fifo).st_mode));

    // A reader that takes nothing more: the write gives up instead of waiting for ever.
    EXPECT_FALSE(Platform::ReplaceFileContents(fifo.string(), std::string(1 << 20, 'x')));
    EXPECT_THAT(Platform::LastErrorText(), HasSubstr("took nothing"));
    ::close(reader);

    // A reader that goes away midway: the write fails and SIGPIPE never reaches the process.
    reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::thread leaving([reader] {
        pollfd ready{reader, POLLIN, 0};
        ::poll(&ready, 1, -1);
        char c = 0;
        (void)!::read(reader, &c, 1);
        ::close(reader);
    });
    EXPECT_FALSE(Platform::ReplaceFileContents(fifo.string(), std::string(1 << 20, 'x')));
    leaving.join();
    EXPECT_EQ(Platform::LastErrorText(), "The reader closed the pipe before it had read everything");
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}
