#pragma once

// How the desktop tells the application's windows apart: their class and their icon.

#include <string>
#include <vector>

namespace Platform {

// One picture of a window icon: an image file in memory (PNG, SVG, ...).
struct TWindowIconImage {
    std::string Bytes;
    bool Scalable = false; // drawn at each of the usual icon sizes, 16 to 256 pixels
};

// Every window of the process, open or still to come, dialogs included, carries Images as its
// icon (_NET_WM_ICON); the window manager picks the size it shows. A picture larger than 256
// pixels is scaled down to that. False, changing nothing, when no picture can be read.
bool SetDefaultWindowIcon(const std::vector<TWindowIconImage>& Images);

// The class (WM_CLASS, both name and class) of every window created from now on.
void SetWindowClass(const std::string& Name);

} // namespace Platform
