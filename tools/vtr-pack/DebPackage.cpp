#include "DebPackage.h"

#include "base/Ascii.h"
#include "base/LittleEndian.h"
#include "shared/text/Unicode.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace VtrPack {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// Debian's date format; the fixed noon every archive entry also carries (a Saturday).
constexpr std::string_view PackageDate = "Sat, 01 Jan 2022 12:00:00 +0000";

// Text as lines of a control file's long description: each after one blank, an empty line as
// " .", words wrapped before column 80.
std::string DescriptionLines(std::string_view text) {
    std::string out;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string word, current;
        bool any = false;
        while (words >> word) {
            if (!current.empty() && current.size() + 1 + word.size() > 78) {
                out += " " + current + "\n";
                current.clear();
            }
            current += (current.empty() ? "" : " ") + word;
            any = true;
        }
        out += any ? " " + current + "\n" : " .\n";
    }
    return out;
}

} // namespace

std::string DebianPackageName(std::string_view AppID) {
    std::string name;
    for (const char ch : AppID) {
        const char c = Base::LowerAscii(ch);
        const bool allowed = IsAlnum(c) || c == '+' || c == '.' || c == '-';
        if (name.empty() && !IsAlnum(c)) {
            continue;
        }
        if (!allowed) {
            if (name.back() != '-') {
                name += '-';
            }
            continue;
        }
        if (c == '-' && name.back() == '-') {
            continue;
        }
        name += c;
    }
    while (!name.empty() && (name.back() == '-' || name.back() == '.')) {
        name.pop_back();
    }
    return name.size() >= 2 ? name : std::string();
}

std::string CheckDebianVersion(std::string_view Version) {
    const std::string rule = "a Debian version starts with a digit and holds letters, digits and . + ~ "
                             "(a \"-\" separates the package's own revision, an \"N:\" prefix is an epoch)";
    std::string_view v = Version;
    if (const auto colon = v.find(':'); colon != std::string_view::npos) {
        const std::string_view epoch = v.substr(0, colon);
        if (epoch.empty() || !std::all_of(epoch.begin(), epoch.end(), IsDigit)) {
            return rule;
        }
        v.remove_prefix(colon + 1);
    }
    std::string_view revision;
    if (const auto dash = v.rfind('-'); dash != std::string_view::npos) {
        revision = v.substr(dash + 1);
        v = v.substr(0, dash);
        if (revision.empty()) {
            return rule;
        }
    }
    const auto versionChar = [](char c) {
        return IsAlnum(c) || c == '.' || c == '+' || c == '~' || c == '-';
    };
    if (v.empty() || !IsDigit(v.front()) || !std::all_of(v.begin(), v.end(), versionChar) ||
        !std::all_of(revision.begin(), revision.end(), [&](char c) { return c != '-' && versionChar(c); })) {
        return rule;
    }
    return {};
}

std::string CheckMaintainer(std::string_view Maintainer) {
    const std::string rule = "give the maintainer as \"Name <address@example.org>\"";
    const auto open = Maintainer.find(" <");
    if (Maintainer.empty() || Maintainer.back() != '>' || open == std::string_view::npos || open == 0 ||
        Maintainer.substr(0, open).find_first_of("<>") != std::string_view::npos ||
        std::any_of(Maintainer.begin(), Maintainer.end(), [](char c) { return IsControl(c) || c == ','; }) ||
        Shared::MakeValidUtf8(Maintainer) != Maintainer) {
        return rule;
    }
    const std::string_view address = Maintainer.substr(open + 2, Maintainer.size() - open - 3);
    const auto at = address.find('@');
    const bool plain = address.find_first_of("<> \t") == std::string_view::npos &&
                       std::count(address.begin(), address.end(), '@') == 1;
    if (!plain || at == 0 || address.find('.', at) == std::string_view::npos) {
        return rule;
    }
    return {};
}

std::string CheckCommandName(std::string_view Name) {
    const bool ok =
        !Name.empty() && IsAlnum(Name.front()) && std::all_of(Name.begin(), Name.end(), [](char c) {
            return IsAlnum(c) || c == '.' || c == '_' || c == '+' || c == '-';
        });
    return ok ? std::string()
              : "it becomes a command in /usr/bin, so it must start with a letter or digit and "
                "hold only letters, digits and . _ + -";
}

std::string DebArchitectureOf(std::string_view ElfHeader) {
    struct TMachine {
        std::uint16_t Machine;
        bool Is64;
        std::string_view Architecture;
    };
    static constexpr TMachine machines[] = {
        {3, false, "i386"},    {40, false, "armhf"},   {62, true, "amd64"},    {183, true, "arm64"},
        {21, true, "ppc64el"}, {243, true, "riscv64"}, {258, true, "loong64"},
    };
    static constexpr std::string_view elfMagic = "\x7F"
                                                 "ELF";
    // Little-endian only: every architecture above is.
    if (ElfHeader.size() < 20 || ElfHeader.substr(0, 4) != elfMagic || ElfHeader[5] != 1) {
        return {};
    }
    const bool is64 = ElfHeader[4] == 2;
    const std::uint16_t machine = Shared::GetU16(ElfHeader, 18);
    for (const TMachine& m : machines) {
        if (m.Machine == machine && m.Is64 == is64) {
            return std::string(m.Architecture);
        }
    }
    return {};
}

std::string InstalledExecutablePath(const TDebInfo& Info) {
    return "/opt/" + Info.AppID + "/" + Info.Command;
}

std::string LauncherPath(const TDebInfo& Info) {
    return "/usr/bin/" + Info.Command;
}

std::string DebFileName(const TDebInfo& Info) {
    const auto colon = Info.Version.find(':');
    const std::string version = colon == std::string::npos ? Info.Version : Info.Version.substr(colon + 1);
    return Info.Package + "_" + version + "_" + Info.Architecture + ".deb";
}

std::string DebControlText(const TDebInfo& Info, std::uint64_t InstalledKiB) {
    // What the runtime links (glibc 2.34 and the C++ library of GCC 12 at most) and the engine
    // library it loads at start; the SVG loader only when the icon needs it.
    std::string depends = "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12), zlib1g, libx11-6, libglib2.0-0, "
                          "libgtk-3-0 (>= 3.24), libwebkit2gtk-4.1-0";
    if (Info.ScalableIcon) {
        depends += ", librsvg2-common";
    }
    return "Package: " + Info.Package + "\nVersion: " + Info.Version +
           "\nArchitecture: " + Info.Architecture + "\nMaintainer: " + Info.Maintainer +
           "\nInstalled-Size: " + std::to_string(InstalledKiB) + "\nDepends: " + depends +
           "\nSection: misc\nPriority: optional\nDescription: " + Info.Summary + "\n" +
           DescriptionLines(Info.Description);
}

std::string DebChangelogName(const TDebInfo& Info) {
    return Info.Version.find('-') == std::string::npos ? "changelog.gz" : "changelog.Debian.gz";
}

std::string DebChangelogText(const TDebInfo& Info) {
    return Info.Package + " (" + Info.Version + ") unstable; urgency=medium\n\n  * " + Info.AppName + " " +
           Info.Version + ", packed with vtr-pack.\n\n -- " + Info.Maintainer + "  " +
           std::string(PackageDate) + "\n";
}

std::string DebCopyrightText(const TDebInfo& Info) {
    return Info.AppName + " (" + Info.AppID + ")\nPackaged by " + Info.Maintainer + ".\n\n" +
           (Info.Copyright.empty() ? "Copyright: the authors of " + Info.AppName + "." : Info.Copyright) +
           "\n";
}

std::string DebManPagePath(const TDebInfo& Info) {
    return "/usr/share/man/man1/" + Info.Command + ".1.gz";
}

std::string DebManPageText(const TDebInfo& Info) {
    // Text as roff reads it literally: backslashes escaped, no line taken for a request.
    const auto roff = [](std::string_view text) {
        std::string out;
        bool lineStart = true;
        for (const char c : text) {
            if (lineStart && (c == '.' || c == '\'')) {
                out += "\\&";
            }
            out += c == '\\' ? std::string("\\e") : std::string(1, c);
            lineStart = c == '\n';
        }
        return out;
    };
    std::string upper = Info.Command;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return ".TH " + upper + " 1 2022-01-01 \"" + roff(Info.Version) + "\"\n.SH NAME\n" + roff(Info.Command) +
           " \\- " + roff(Info.Summary) + "\n.SH SYNOPSIS\n.B " + roff(Info.Command) + "\n.SH DESCRIPTION\n" +
           roff(Info.Description) + "\n.PP\nStarts " + roff(Info.AppName) +
           " in a window of its own. Its data lives in\n.IR ~/.local/share/" + roff(Info.AppID) + "/ .\n";
}

std::string LintianOverridesText(const TDebInfo& Info) {
    return "# A packed application is add-on software: it lives in /opt/" + Info.AppID + "/ as such.\n" +
           Info.Package +
           ": dir-or-file-in-opt\n"
           "# The executable carries the application's archive behind its image: stripping it would cut\n"
           "# the archive off.\n" +
           Info.Package + ": unstripped-binary-or-object\n";
}

} // namespace VtrPack
