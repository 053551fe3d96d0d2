#pragma once

// The file name a download is offered under.

#include <string>
#include <string_view>

namespace WebView2 {

// Suggested (a link's download attribute, or the name the server gave) when it has one; else the
// last part of Uri's path, percent-decoded. Never a path: separators and control characters
// become '_', blanks at either end and leading dots go (no hidden file, never "." or ".."), and
// a name longer than a file system takes is shortened, keeping its extension. "download" when
// nothing is left.
std::string DownloadFileName(std::string_view Suggested, std::string_view Uri);

} // namespace WebView2
