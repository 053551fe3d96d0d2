// vtr-pack --default-installer: the option, the packed script, and what the script asks of
// each package manager.

#include "DefaultInstaller.h"
#include "ExeFixtures.h"
#include "Packer.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/exe/ExeUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

using namespace VtrPack;
using Fixtures::TTempDir;

TEST(DefaultInstaller, OptionIsAFlagThatExcludesInstaller) {
    EXPECT_TRUE(ParseCommandLine({"site", "-o", "out", "--default-installer"}).DefaultInstaller);
    EXPECT_FALSE(ParseCommandLine({"site", "-o", "out"}).DefaultInstaller);
    EXPECT_THROW(ParseCommandLine({"site", "-o", "out", "--default-installer", "--installer", "i.sh"}),
                 EUsageError);
    EXPECT_THROW(ParseCommandLine({"site", "-o", "out", "--default-installer=yes"}), EUsageError);
    EXPECT_NE(HelpText().find("--default-installer"), std::string::npos);
}

TEST(DefaultInstaller, PackedAsTheInstallerEntry) {
    TTempDir dir;
    Fixtures::WriteFile(dir / "runtime", Fixtures::MakeElf64(1000, {}, 2048));
    Fixtures::WriteFile(dir / "site/index.html", "<h1>hi</h1>");
    TPackOptions options;
    options.AppDir = dir / "site";
    options.Output = dir / "app";
    options.Runtime = dir / "runtime";
    options.IniValues = {{"ID", "com.x"}, {"Name", "X"}, {"DirName", "app"}};
    options.DefaultInstaller = true;
    Pack(options);

    Shared::TExeUtils utils(options.Output);
    Shared::TMemoryStream memory;
    utils.GetZipFromExe(memory);
    Shared::TExeZip zip;
    zip.SetPassword(Shared::Archive::Password);
    zip.Open(memory);
    const std::string script = zip.ExtractToString(std::string(Shared::Archive::InstallerEntry));
    EXPECT_EQ(script, DefaultInstallerScript());
    EXPECT_EQ(script.rfind("#!/bin/sh\n", 0), 0u);

    options.Installer = dir / "site/index.html";
    EXPECT_THROW(Pack(options), EUsageError);
}

namespace {

std::string RunShell(const std::string& Command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(Command.c_str(), "r"), &pclose);
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output += buffer;
    }
    return output;
}

} // namespace

TEST(DefaultInstaller, AsksThePackageManagerItFinds) {
    // Each case has only its package manager on PATH; it records how it was called.
    struct TCase {
        const char* Manager;
        const char* Arguments;
        const char* Expected;
    };
    const TCase cases[] = {
        {"apt-get", "/silent /install",
         "apt-get update [noninteractive]\napt-get install -y libwebkit2gtk-4.1-0 [noninteractive]\n"},
        {"apt-get", "/install", "apt-get update []\napt-get install libwebkit2gtk-4.1-0 []\n"},
        {"dnf", "/silent /install", "dnf install -y webkit2gtk4.1 []\n"},
        {"zypper", "/silent /install", "zypper --non-interactive install libwebkit2gtk-4_1-0 []\n"},
        {"pacman", "/silent /install", "pacman -S --needed --noconfirm webkit2gtk-4.1 []\n"},
        {"apk", "/silent /install", "apk add webkit2gtk-4.1 []\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Manager);
        TTempDir dir;
        Fixtures::WriteFile(dir / "installer", std::string(DefaultInstallerScript()));
        const std::string tool = dir / (std::string("bin/") + c.Manager);
        Fixtures::WriteFile(tool, "#!/bin/sh\necho \"${0##*/} $* [${DEBIAN_FRONTEND:-}]\" >>\"" +
                                      (dir / "log") + "\"\n");
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
        const std::string output =
            RunShell("/usr/bin/env -u DEBIAN_FRONTEND PATH='" + (dir / "bin") + "' /bin/sh '" +
                     (dir / "installer") + "' " + c.Arguments + " 2>&1");
        const std::string log = Fixtures::ReadFile(dir / "log");
        EXPECT_EQ(log, c.Expected) << output;
    }

    TTempDir dir;
    Fixtures::WriteFile(dir / "installer", std::string(DefaultInstallerScript()));
    std::filesystem::create_directories(dir.Path() / "bin");
    const std::string none =
        "PATH='" + (dir / "bin") + "' /bin/sh '" + (dir / "installer") + "' /silent /install";
    EXPECT_NE(RunShell(none + " 2>&1").find("no known package manager"), std::string::npos);
    EXPECT_NE(std::system((none + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system(("/bin/sh '" + (dir / "installer") + "' /bogus 2>/dev/null").c_str()), 0);
}
