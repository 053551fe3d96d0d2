#pragma once

// What a Debian package of a packed application holds besides the application: its control
// file, changelog, copyright file and lintian overrides, and the names and values they need.

#include <cstdint>
#include <string>
#include <string_view>

namespace VtrPack {

// What the package says about itself.
struct TDebInfo {
    std::string Package; // the Debian name, made from the ID
    std::string Version;
    std::string Architecture;
    std::string Maintainer;  // "Name <address>"
    std::string Summary;     // one line
    std::string Description; // any text; paragraphs separated by empty lines
    std::string Copyright;   // may be empty
    std::string AppID;
    std::string AppName;
    std::string Command;       // the executable's name, in /opt/<ID>/ and as the launcher in /usr/bin
    bool ScalableIcon = false; // an SVG icon, which the windows draw through the SVG loader
};

// The Debian package name for an application ID: lower case, every character Debian does not
// allow as "-", runs of "-" as one, starting with a letter or digit. Empty when fewer than two
// characters remain.
std::string DebianPackageName(std::string_view AppID);

// Why each text cannot serve in the package, or empty when it can.
std::string CheckDebianVersion(std::string_view Version);
std::string CheckMaintainer(std::string_view Maintainer);
std::string CheckCommandName(std::string_view Name);

// The Debian architecture of an executable from its ELF header's first 20 bytes, or empty.
std::string DebArchitectureOf(std::string_view ElfHeader);

// Where the packed executable and its launcher live in the installed system.
std::string InstalledExecutablePath(const TDebInfo& Info);
std::string LauncherPath(const TDebInfo& Info);

std::string DebFileName(const TDebInfo& Info);
std::string DebControlText(const TDebInfo& Info, std::uint64_t InstalledKiB);
std::string DebChangelogText(const TDebInfo& Info);
// changelog.gz for a version without a Debian revision, else changelog.Debian.gz.
std::string DebChangelogName(const TDebInfo& Info);
std::string DebCopyrightText(const TDebInfo& Info);
// The launcher's manual page (roff, before compression) and its path in the package.
std::string DebManPageText(const TDebInfo& Info);
std::string DebManPagePath(const TDebInfo& Info);
std::string LintianOverridesText(const TDebInfo& Info);

} // namespace VtrPack
