// The Debian package's names, checks and texts, and where the icon goes in the icon theme.

#include "DebPackage.h"
#include "DesktopEntry.h"

#include "shared/exe/PngFile.h"

#include <gtest/gtest.h>

using namespace VtrPack;

namespace {

TDebInfo Sample() {
    TDebInfo info;
    info.Package = "com.example.notes";
    info.Version = "1.2.0";
    info.Architecture = "amd64";
    info.Maintainer = "Jane Doe <jane@example.org>";
    info.Summary = "Notes for the desk";
    info.Description = "Keeps notes.\n\nA second paragraph.";
    info.AppID = "com.example.Notes";
    info.AppName = "Notes \\ Desk";
    info.Command = "notes";
    return info;
}

Shared::TIconPicture Png(int width, int height) {
    Shared::TRgbaImage image{width, height,
                             std::string(static_cast<std::size_t>(width * height * 4), '\x7F')};
    return {false, Shared::TPngFile::Encode(image), width, height};
}

} // namespace

TEST(DebPackage, NamesAndChecks) {
    const std::pair<std::string, std::string> names[] = {
        {"com.example.notes", "com.example.notes"},
        {"My App", "my-app"},
        {"Caf\xC3\xA9_Bar", "caf-bar"},
        {"--x..y--", "x..y"},
        {"a++b", "a++b"},
        {"_", ""},
        {"a", ""},
        {"\xE4\xB8\xAD", ""},
        {"A  B", "a-b"},
    };
    for (const auto& [id, package] : names) {
        EXPECT_EQ(DebianPackageName(id), package) << id;
    }
    for (const std::string good : {"1.0", "1.4.0.0", "2:1.0~rc1-3", "0+git20240101", "1.0-1"}) {
        EXPECT_EQ(CheckDebianVersion(good), "") << good;
    }
    for (const std::string bad : {"", "v1.0", "1.0-", "1.0_2", "x:1.0", "1 0", "1.0-a-b:"}) {
        EXPECT_NE(CheckDebianVersion(bad), "") << bad;
    }
    for (const std::string good : {"Jane Doe <jane@example.org>", "J\xC3\xBCrgen <j@mail.example.de>"}) {
        EXPECT_EQ(CheckMaintainer(good), "") << good;
    }
    for (const std::string bad :
         {"", "Jane", "jane@example.org", "<jane@example.org>", "Jane <jane>", "Jane <jane@localhost>",
          "A, B <a@b.org>", "Jane <a@b@c.org>", "Jane <a b@c.org>", "Jane\n <j@e.org>"}) {
        EXPECT_NE(CheckMaintainer(bad), "") << bad;
    }
    EXPECT_EQ(CheckCommandName("notes-2.0_x+"), "");
    for (const std::string bad : {"", "-notes", "my notes", "n\xC3\xB6tes", "a;b"}) {
        EXPECT_NE(CheckCommandName(bad), "") << bad;
    }

    const auto elf = [](char bits, std::uint16_t machine) {
        std::string h = std::string("\x7F"
                                    "ELF",
                                    4) +
                        bits + '\x01' + std::string(14, '\0');
        h[18] = static_cast<char>(machine & 0xFF);
        h[19] = static_cast<char>(machine >> 8);
        return h;
    };
    EXPECT_EQ(DebArchitectureOf(elf(2, 62)), "amd64");
    EXPECT_EQ(DebArchitectureOf(elf(2, 183)), "arm64");
    EXPECT_EQ(DebArchitectureOf(elf(1, 3)), "i386");
    EXPECT_EQ(DebArchitectureOf(elf(1, 62)), "");
    EXPECT_EQ(DebArchitectureOf(elf(2, 9999)), "");
    EXPECT_EQ(DebArchitectureOf("MZ" + std::string(18, '\0')), "");
}

TEST(DebPackage, ControlChangelogAndDesktopEntry) {
    TDebInfo info = Sample();
    info.Description += "\n" + std::string(50, 'a') + " " + std::string(40, 'b');
    EXPECT_EQ(DebControlText(info, 1234),
              "Package: com.example.notes\n"
              "Version: 1.2.0\n"
              "Architecture: amd64\n"
              "Maintainer: Jane Doe <jane@example.org>\n"
              "Installed-Size: 1234\n"
              "Depends: libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12), zlib1g, libx11-6, libglib2.0-0, "
              "libgtk-3-0 (>= 3.24), libwebkit2gtk-4.1-0\n"
              "Section: misc\n"
              "Priority: optional\n"
              "Description: Notes for the desk\n"
              " Keeps notes.\n"
              " .\n"
              " A second paragraph.\n"
              " " +
                  std::string(50, 'a') +
                  "\n"
                  " " +
                  std::string(40, 'b') + "\n");
    info.ScalableIcon = true;
    EXPECT_NE(DebControlText(info, 1).find("libwebkit2gtk-4.1-0, librsvg2-common\n"), std::string::npos);

    EXPECT_EQ(DebFileName(info), "com.example.notes_1.2.0_amd64.deb");
    EXPECT_EQ(DebChangelogName(info), "changelog.gz");
    info.Version = "1:1.2.0-3";
    EXPECT_EQ(DebFileName(info), "com.example.notes_1.2.0-3_amd64.deb");
    EXPECT_EQ(DebChangelogName(info), "changelog.Debian.gz");
    EXPECT_EQ(DebChangelogText(info), "com.example.notes (1:1.2.0-3) unstable; urgency=medium\n\n"
                                      "  * Notes \\ Desk 1:1.2.0-3, packed with vtr-pack.\n\n"
                                      " -- Jane Doe <jane@example.org>  Sat, 01 Jan 2022 12:00:00 +0000\n");

    // The manual page: text that roff would take for requests or escapes is written literally.
    info.Description = ".hidden request\nback\\slash";
    const std::string man = DebManPageText(info);
    EXPECT_EQ(man.rfind(".TH NOTES 1 2022-01-01 \"1:1.2.0-3\"\n", 0), 0u) << man;
    EXPECT_NE(man.find("\n.SH DESCRIPTION\n\\&.hidden request\nback\\eslash\n"), std::string::npos) << man;
    EXPECT_EQ(DebManPagePath(info), "/usr/share/man/man1/notes.1.gz");
    EXPECT_NE(DebCopyrightText(info).find("\nCopyright: the authors of Notes \\ Desk.\n"), std::string::npos);
    info.Copyright = "Copyright 2025 Example Ltd";
    EXPECT_NE(DebCopyrightText(info).find("\nCopyright 2025 Example Ltd\n"), std::string::npos);

    info.Summary = " Leading blank";
    EXPECT_EQ(DesktopEntryText(info), "[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=Notes \\\\ Desk\n"
                                      "Comment=\\sLeading blank\n"
                                      "Exec=/usr/bin/notes\n"
                                      "Icon=com.example.notes\n"
                                      "Terminal=false\n"
                                      "Categories=Utility;\n"
                                      "StartupNotify=true\n"
                                      "StartupWMClass=com.example.Notes\n");
    EXPECT_EQ(DesktopEntryPath(info), "/usr/share/applications/com.example.notes.desktop");
    EXPECT_EQ(InstalledExecutablePath(info), "/opt/com.example.Notes/notes");
}

TEST(DebPackage, IconPicturesGoToTheThemeSizeThatFitsThem) {
    const TDebInfo info = Sample();
    const std::string apps = "/apps/com.example.notes.png";
    std::vector<std::string> warnings;
    // Exact theme sizes go to their folders, nothing to say.
    auto icons = ThemeIcons({Png(16, 16), Png(48, 48), Png(256, 256)}, info, warnings);
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_EQ(icons[0].Path, "/usr/share/icons/hicolor/16x16" + apps);
    EXPECT_EQ(icons[2].Path, "/usr/share/icons/hicolor/256x256" + apps);
    EXPECT_TRUE(warnings.empty());

    // Other sizes: the next size up (at most 512), the larger of two that share one; a warning each.
    const auto p40 = Png(40, 40), p45 = Png(45, 30), p1024 = Png(1024, 1024);
    icons = ThemeIcons({p40, p45, p1024}, info, warnings);
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(icons[0].Path, "/usr/share/icons/hicolor/48x48" + apps);
    EXPECT_EQ(icons[0].Bytes, p45.Bytes);
    EXPECT_EQ(icons[1].Path, "/usr/share/icons/hicolor/512x512" + apps);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("45x30 picture is installed as the theme's 48x48 size"), std::string::npos);

    // An SVG is the scalable icon.
    warnings.clear();
    icons = ThemeIcons({{true, "<svg/>", 0, 0}}, info, warnings);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].Path, "/usr/share/icons/hicolor/scalable/apps/com.example.notes.svg");
    EXPECT_EQ(icons[0].Bytes, "<svg/>");
}
