#include "DesktopEntry.h"

#include "shared/config/WindowClass.h"

#include <algorithm>
#include <map>

namespace VtrPack {

namespace {

// The fixed sizes of the hicolor theme's folders.
constexpr int ThemeSides[] = {16, 22, 24, 32, 36, 48, 64, 72, 96, 128, 192, 256, 512};

// A string value of a desktop entry: backslash and control characters escaped, a leading
// blank kept.
std::string Escaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == ' ' && i == 0) {
            out += "\\s";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string DesktopEntryPath(const TDebInfo& Info) {
    return "/usr/share/applications/" + Info.Package + ".desktop";
}

std::string DesktopEntryText(const TDebInfo& Info) {
    // The launcher's name holds no character that Exec would need to quote (CheckCommandName).
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           Escaped(Info.AppName) + "\nComment=" + Escaped(Info.Summary) + "\nExec=" + LauncherPath(Info) +
           "\nIcon=" + Info.Package +
           "\nTerminal=false\n"
           "Categories=Utility;\n"
           "StartupNotify=true\n"
           "StartupWMClass=" +
           Shared::WindowClassOf(Info.AppID) + "\n";
}

std::vector<TThemeIcon> ThemeIcons(const std::vector<Shared::TIconPicture>& Pictures, const TDebInfo& Info,
                                   std::vector<std::string>& Warnings) {
    const std::string base = "/usr/share/icons/hicolor/";
    std::vector<TThemeIcon> icons;
    std::map<int, const Shared::TIconPicture*> bySide;
    for (const Shared::TIconPicture& picture : Pictures) {
        if (picture.Scalable) {
            icons.push_back({base + "scalable/apps/" + Info.Package + ".svg", picture.Bytes});
            continue;
        }
        const int side = std::max(picture.Width, picture.Height);
        const auto fits =
            std::find_if(std::begin(ThemeSides), std::end(ThemeSides), [&](int s) { return s >= side; });
        const int folder = fits == std::end(ThemeSides) ? 512 : *fits;
        const Shared::TIconPicture*& chosen = bySide[folder];
        if (chosen == nullptr || std::max(chosen->Width, chosen->Height) < side) {
            chosen = &picture;
        }
    }
    for (const auto& [folder, picture] : bySide) {
        const std::string name = std::to_string(folder) + "x" + std::to_string(folder);
        if (picture->Width != folder || picture->Height != folder) {
            Warnings.push_back(
                "the icon's " + std::to_string(picture->Width) + "x" + std::to_string(picture->Height) +
                " picture is installed as the theme's " + name +
                " size: desktops show it scaled. Icons look best square, at 16, 24, 32, 48, 64, "
                "128, 256 or 512 pixels, or as an SVG");
        }
        icons.push_back({base + name + "/apps/" + Info.Package + ".png", picture->Bytes});
    }
    return icons;
}

} // namespace VtrPack
