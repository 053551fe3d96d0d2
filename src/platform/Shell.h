#pragma once

#include <string>

namespace Platform {

// Opens a URI (http:, mailto:, file:, ...) with the desktop's default handler.
bool LaunchDefaultForUri(const std::string& Uri);
// Opens a local file or folder with the desktop's default handler.
bool LaunchDefaultForPath(const std::string& Path);
// True when Text starts with a URI scheme ("https:", "mailto:"), not a plain path.
bool LooksLikeUri(const std::string& Text);
// Asks the file manager to show the item selected (org.freedesktop.FileManager1.ShowItems);
// when no file manager answers, opens the containing folder instead.
bool ShowItemInFileManager(const std::string& Path);
// Opens Path in the desktop's default application for images.
bool LaunchDefaultImageEditor(const std::string& Path);

} // namespace Platform
