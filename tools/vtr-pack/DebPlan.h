#pragma once

#include "DebPackage.h"
#include "DesktopEntry.h"
#include "PackOptions.h"

#include <filesystem>
#include <string>
#include <vector>

namespace VtrPack {

// A Debian package to write beside the executable, decided before anything is written.
struct TDebPlan {
    TDebInfo Info;
    std::vector<TThemeIcon> Icons;
    std::filesystem::path Folder;
};

// What goes into the package of the application AppID / AppName packed from RuntimePath into
// an executable named Command: the options' version strings and maintainer, the application's
// icon file (IconBytes; the vtr icon when empty). Raises EPackError for anything the package
// cannot carry; adds to Warnings what it leaves out or installs imperfectly.
TDebPlan PlanDebPackage(const TPackOptions& Options, const std::string& AppID, const std::string& AppName,
                        const std::string& RuntimePath, const std::string& Command,
                        const std::string& IconBytes, std::vector<std::string>& Warnings);

} // namespace VtrPack
