#pragma once

// Saving a download's content as a file, without ever leaving half a file behind.

#include "webview2/Com.h"

#include <functional>
#include <string>

namespace WebView2::WebKitGtk {

// Copies Content to a new file beside Path, flushed to disk, and renames it over Path once it
// is complete, on a worker thread. A copy that fails removes its file and leaves Path as it was.
// Done runs on the GUI thread with an empty text, or with why the copy failed.
void SaveStreamAs(ComPtr<IStream> Content, const std::string& Path,
                  std::function<void(const std::string& Error)> Done);

// A new, empty file beside Path (created, never opened through a link someone planted; its mode
// follows the user's umask) for a download to be written to before it replaces Path. Its name,
// or empty with Error set.
std::string CreateFileBeside(const std::string& Path, std::string& Error);

} // namespace WebView2::WebKitGtk
