#include "shared/system/SysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using Shared::TSysUtils;
namespace fs = std::filesystem;

// Fontconfig keeps its font patterns in caches that the leak checker cannot trace (text
// measurement loads them); they are the library's own, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) {
            FOld = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (FOld) {
            setenv(FName.c_str(), FOld->c_str(), 1);
        } else {
            unsetenv(FName.c_str());
        }
    }

private:
    std::string FName;
    std::optional<std::string> FOld;
};

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "vtr-sysutils-XXXXXX").string();
        FPath = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

void WriteFile(const fs::path& path, const std::string& text, bool executable = false) {
    std::ofstream(path, std::ios::binary) << text;
    if (executable) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WaitForFile(const fs::path& path) {
    for (int i = 0; i < 200 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path);
}

} // namespace

TEST(GetDosOutput, CapturesStdoutAndStderrTogether) {
    EXPECT_EQ(TSysUtils::GetDosOutput("echo hello", "", false), "hello\n");
    EXPECT_EQ(TSysUtils::GetDosOutput("echo out; echo err 1>&2; echo more", "", false), "out\nerr\nmore\n");
    EXPECT_EQ(TSysUtils::GetDosOutput(R"(printf '%s' 'a "quoted" \back')", "", true), R"(a "quoted" \back)");
    // The interpreter's own complaint is the output of an unknown command.
    EXPECT_NE(TSysUtils::GetDosOutput("no-such-command-vtr", "", false).find("not found"), std::string::npos);
}

TEST(GetDosOutput, WorkingFolderStandardInputAndLongOutput) {
    TempDir dir;
    EXPECT_EQ(TSysUtils::GetDosOutput("pwd", dir.Path().string(), false),
              fs::canonical(dir.Path()).string() + "\n");
    EXPECT_EQ(TSysUtils::GetDosOutput("pwd", (dir.Path() / "missing").string(), false), "");
    // A command that reads its input ends at once instead of waiting for ever.
    EXPECT_EQ(TSysUtils::GetDosOutput("cat; echo done", "", false), "done\n");
    // Multi-byte characters cross read boundaries intact.
    const std::string out =
        TSysUtils::GetDosOutput("for i in $(seq 1 30000); do printf '\\303\\251'; done", "", false);
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        expected += "\u00e9";
    }
    EXPECT_EQ(out, expected);
}

TEST(Folders, FollowTheEnvironmentAndEndInSlash) {
    {
        ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
        ScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(TSysUtils::GetLocalAppDataDirPath(), "/srv/data/");
        EXPECT_EQ(TSysUtils::GetUserAppDataDirPath(), "/srv/config/");
    }
    {
        ScopedEnv home("HOME", "/home/someone");
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        ScopedEnv config("XDG_CONFIG_HOME", "relative/is/ignored");
        EXPECT_EQ(TSysUtils::GetLocalAppDataDirPath(), "/home/someone/.local/share/");
        EXPECT_EQ(TSysUtils::GetUserAppDataDirPath(), "/home/someone/.config/");
    }
    TempDir dir;
    ScopedEnv tmp("TMPDIR", dir.Path().c_str());
    EXPECT_EQ(TSysUtils::GetTempDirPath(), fs::canonical(dir.Path()).string() + "/");
    for (const std::string& path :
         {TSysUtils::GetUserDesktopDirPath(), TSysUtils::GetUserDocumentsDirPath()}) {
        EXPECT_EQ(path.back(), '/') << path;
    }
}

// GLib keeps the folders it has read for the life of the process, so each case runs in a fresh
// one with its own HOME and configuration.
TEST(Folders, DesktopIsTheHomeFolderWhenNoDesktopFolderExists) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto desktopOf = [](bool makeDesktop, const char* configured) {
        TempDir home;
        const fs::path config = home.Path() / "config";
        fs::create_directories(config);
        if (makeDesktop) {
            fs::create_directories(home.Path() / "Desktop");
        }
        if (configured != nullptr) {
            fs::create_directories(home.Path() / configured);
            WriteFile(config / "user-dirs.dirs",
                      "XDG_DESKTOP_DIR=\"" + (home.Path() / configured).string() + "\"\n");
        }
        setenv("HOME", home.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string desktop = TSysUtils::GetUserDesktopDirPath();
        const std::string prefix = home.Path().string() + "/";
        return desktop.rfind(prefix, 0) == 0 ? "~/" + desktop.substr(prefix.size()) : desktop;
    };
    const auto expect = [&](bool makeDesktop, const char* configured, const std::string& expected) {
        EXPECT_EXIT(
            {
                const std::string desktop = desktopOf(makeDesktop, configured);
                std::fprintf(stderr, "desktop=[%s]\n", desktop.c_str());
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "desktop=\\[" + expected + "\\]");
    };
    expect(false, nullptr, "~/");
    expect(true, nullptr, "~/Desktop/");
    expect(false, "Schreibtisch", "~/Schreibtisch/");
}

TEST(DeleteDirectory, RemovesTreeAndReportsMissing) {
    TempDir dir;
    fs::create_directories(dir.Path() / "tree/sub");
    WriteFile(dir.Path() / "tree/sub/file.txt", "x");
    EXPECT_TRUE(TSysUtils::DeleteDirectory((dir.Path() / "tree").string()));
    EXPECT_FALSE(fs::exists(dir.Path() / "tree"));
    EXPECT_FALSE(TSysUtils::DeleteDirectory((dir.Path() / "tree").string()));
    EXPECT_EQ(TSysUtils::LastErrorMessage(), "No such file or directory");
}

TEST(ShellExec, StartsProgramsWithSplitArgumentsAndReportsMissingFiles) {
    TempDir dir;
    const fs::path script = dir.Path() / "record.sh";
    const fs::path out = dir.Path() / "args.txt";
    WriteFile(script,
              "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + out.string() +
                  ".tmp\"\nmv \"" + out.string() + ".tmp\" \"" + out.string() + "\"\n",
              true);
    ASSERT_TRUE(TSysUtils::ShellExec(script.string(), "\"my-app\" \"file:///x y.html\""));
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(ReadFile(out), "[my-app][file:///x y.html]");

    EXPECT_FALSE(TSysUtils::ShellExec((dir.Path() / "missing.txt").string(), ""));
    EXPECT_EQ(TSysUtils::LastErrorMessage(), "No such file or directory");
    EXPECT_FALSE(TSysUtils::ShellExec("", ""));
}

TEST(ShellExecAsAdminAndWait, RunsThroughPkexecAndReturnsItsExitCode) {
    TempDir dir;
    // A stand-in pkexec that runs the program as it is.
    WriteFile(dir.Path() / "pkexec", "#!/bin/sh\nexec \"$@\"\n", true);
    const fs::path installer = dir.Path() / "installer.sh";
    const fs::path out = dir.Path() / "installer-args.txt";
    WriteFile(installer, "#!/bin/sh\necho \"$#:$1:$2\" > \"" + out.string() + "\"\nexit 7\n", true);
    ScopedEnv path("PATH", (dir.Path().string() + ":/usr/bin:/bin").c_str());
    EXPECT_EQ(TSysUtils::ShellExecAsAdminAndWait(nullptr, installer.string(), "/silent /install"), 7u);
    EXPECT_EQ(ReadFile(out), "2:/silent:/install\n");

    ScopedEnv nopath("PATH", (dir.Path() / "empty").c_str());
    EXPECT_EQ(TSysUtils::ShellExecAsAdminAndWait(nullptr, installer.string(), ""), 0u);
}

TEST(FileHelpers, ListingSizesAndTimes) {
    TempDir dir;
    fs::create_directories(dir.Path() / "b-dir");
    WriteFile(dir.Path() / "a.txt", "12345");
    WriteFile(dir.Path() / "c.PNG", "123");
    Shared::TStringList list;
    TSysUtils::GetDirectoryFiles(dir.Path().string(), true, list, "*.*");
    EXPECT_EQ(list, (Shared::TStringList{(dir.Path() / "b-dir").string(), (dir.Path() / "a.txt").string(),
                                         (dir.Path() / "c.PNG").string()}));
    TSysUtils::GetDirectoryFiles(dir.Path().string(), false, list, "*.png");
    EXPECT_EQ(list, Shared::TStringList{(dir.Path() / "c.PNG").string()});
    EXPECT_EQ(TSysUtils::GetSizeOfFile((dir.Path() / "a.txt").string()), 5);
    EXPECT_EQ(TSysUtils::GetSizeOfFile((dir.Path() / "none").string()), -1);
    EXPECT_EQ(TSysUtils::GetSizeOfDir(dir.Path().string(), false), 8);
    EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(dir.Path().string()), 1);
    EXPECT_EQ(TSysUtils::GetSubdirectoriesCount((dir.Path() / "none").string()), 0);
    EXPECT_THROW(
        TSysUtils::FilesHaveSameDateTime((dir.Path() / "a.txt").string(), (dir.Path() / "x").string()),
        Shared::ESysUtilsError);

    WriteFile(dir.Path() / "bom.txt", "\xEF\xBB\xBFtext");
    TSysUtils::RemoveUTFBoomFromFile((dir.Path() / "bom.txt").string());
    EXPECT_EQ(ReadFile(dir.Path() / "bom.txt"), "text");
    TSysUtils::RemoveUTFBoomFromFile((dir.Path() / "bom.txt").string());
    EXPECT_EQ(ReadFile(dir.Path() / "bom.txt"), "text");
}

TEST(PathHelpers, Table) {
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("x/../y.txt", "/base"), "/base/y.txt");
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("/abs/y.txt", "/base"), "/abs/y.txt");
    EXPECT_EQ(TSysUtils::GetParentDirPath("/a/b/c"), "/a/b/");
    EXPECT_TRUE(TSysUtils::IsValidFilePath("/tmp/some file.txt"));
    EXPECT_FALSE(TSysUtils::IsValidFilePath(""));
    EXPECT_FALSE(TSysUtils::IsValidFilePath("/tmp/" + std::string(256, 'x')));
    EXPECT_NE(TSysUtils::GetUserFromWindows(), "");
}

TEST(FormatByteSize, UnitsAndDecimals) {
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(TSysUtils::FormatByteSize(500), "500 bytes");
    EXPECT_EQ(TSysUtils::FormatByteSize(1024), "1024 bytes");
    EXPECT_EQ(TSysUtils::FormatByteSize(1536), "1.5 KB");
    EXPECT_EQ(TSysUtils::FormatByteSize(2048), "2 KB");
    EXPECT_EQ(TSysUtils::FormatByteSize(5 * 1048576 + 1), "5 MB");
    EXPECT_EQ(TSysUtils::FormatByteSize(3LL * 1073741824 / 2), "1.5 GB");
}

TEST(ExtractExeIcon, AnExecutablesOwnIconOrTheDesktopsIconForTheFile) {
#ifdef VTR_PE_RESOURCE_FIXTURES
    const fs::path fixtures(VTR_PE_RESOURCE_FIXTURES);
    if (!fs::exists(fixtures / "branded.exe")) {
        GTEST_SKIP() << "the PE fixtures were not built";
    }
    // MAINICON holds images of 16 to 64 pixels; the 32-pixel one is the third (seed 12), its
    // rows stored bottom up.
    Forms::TRasterImage icon;
    ASSERT_TRUE(TSysUtils::ExtractExeIcon((fixtures / "branded.exe").string(), icon));
    ASSERT_EQ(icon.Width, 32);
    ASSERT_EQ(icon.Height, 32);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{5, 9}, std::pair{31, 31}}) {
        const int row = 31 - y;
        const std::uint32_t expected = 0xFF000000u | (std::uint32_t((x ^ row) & 0xFF) << 16) |
                                       (std::uint32_t((row * 5 + 36) & 0xFF) << 8) |
                                       std::uint32_t((x * 7 + 12) & 0xFF);
        EXPECT_EQ(icon.Pixel(x, y), expected) << x << "," << y;
    }
    Forms::TRasterImage none;
    EXPECT_FALSE(TSysUtils::ExtractExeIcon((fixtures / "plain.exe").string(), none));
#endif
    TempDir dir;
    WriteFile(dir.Path() / "notes.txt", "text");
    Forms::TRasterImage generic;
    EXPECT_TRUE(TSysUtils::ExtractExeIcon((dir.Path() / "notes.txt").string(), generic));
    EXPECT_GT(generic.Width, 0);
    EXPECT_EQ(generic.Pixels.size(), std::size_t(generic.Width) * std::size_t(generic.Height));
    EXPECT_FALSE(TSysUtils::ExtractExeIcon((dir.Path() / "missing.exe").string(), generic));
}

TEST(TrueFontWidth, GrowsWithTheTextAndTheWeight) {
    const Shared::TFontDescription font{"DejaVu Sans", 10, false, false};
    Shared::TFontDescription bold = font;
    bold.Bold = true;
    EXPECT_EQ(TSysUtils::TrueFontWidth(font, ""), 0);
    const int one = TSysUtils::TrueFontWidth(font, "WWWW");
    EXPECT_GT(one, TSysUtils::TrueFontWidth(font, "iiii"));
    EXPECT_NEAR(TSysUtils::TrueFontWidth(font, "WWWWWWWW"), 2 * one, 2);
    EXPECT_GT(TSysUtils::TrueFontWidth(bold, "WWWW"), one);
    // 10 points at 96 dpi: a capital W of DejaVu Sans is about 13 pixels wide.
    EXPECT_NEAR(one / 4.0, 13, 3);
}
