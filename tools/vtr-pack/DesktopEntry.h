#pragma once

// How a packed application appears in the desktop's menus once its Debian package is
// installed: its desktop entry and its icon in the icon theme.

#include "DebPackage.h"

#include "shared/exe/IconPictures.h"

#include <string>
#include <vector>

namespace VtrPack {

// The .desktop file: the application's name, the launcher as Exec, the icon by the package's
// name and StartupWMClass the class the runtime gives its windows.
std::string DesktopEntryText(const TDebInfo& Info);
std::string DesktopEntryPath(const TDebInfo& Info);

// One file of the icon in the hicolor theme.
struct TThemeIcon {
    std::string Path; // e.g. /usr/share/icons/hicolor/48x48/apps/<package>.png
    std::string Bytes;
};

// The icon's pictures as the theme holds them: an SVG under scalable/, each PNG in the folder of
// the theme's size that fits it (the next size up, at most 512; per size the largest picture).
// A picture that is not square or not of a theme size is installed all the same, and
// Warnings says so: desktops show it scaled.
std::vector<TThemeIcon> ThemeIcons(const std::vector<Shared::TIconPicture>& Pictures, const TDebInfo& Info,
                                   std::vector<std::string>& Warnings);

} // namespace VtrPack
