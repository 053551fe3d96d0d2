#pragma once

#include "DebPackage.h"
#include "DesktopEntry.h"

#include <string>
#include <vector>

namespace VtrPack {

// Lays out the package of the packed executable at ExecutablePath in a private temporary folder
// (the executable in /opt/<ID>/, the launcher, the desktop entry, the icon, the documentation)
// and has dpkg-deb build it into Target. No maintainer scripts: installing creates nothing but
// the package's own files, so removing it leaves nothing. The same inputs give the same bytes.
// Raises EPackError; Target is then incomplete or missing and the caller removes it.
void BuildDebPackage(const TDebInfo& Info, const std::string& ExecutablePath,
                     const std::vector<TThemeIcon>& Icons, const std::string& Target);

} // namespace VtrPack
