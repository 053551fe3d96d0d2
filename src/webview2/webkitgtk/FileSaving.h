#pragma once

// Saving a download's content as a file, without ever leaving half a file behind.

#include "webview2/Com.h"

#include <functional>
#include <string>

namespace WebView2::WebKitGtk {

// Copies Content to a new file beside Path, flushed to disk, and renames it over Path once it
// is complete, on a worker thread. A copy that fails removes its file and leaves Path as it was;
// so does one the program ends in the middle of.
// Done runs on the GUI thread with an empty text, or with why the copy failed.
void SaveStreamAs(ComPtr<IStream> Content, const std::string& Path,
                  std::function<void(const std::string& Error)> Done);

// A new, empty file beside Path (created, never opened through a link someone planted; its mode
// follows the user's umask) for a download to be written to before it replaces Path. Its name,
// or empty with Error set.
// The file goes when the program ends before it is settled by one of the two calls below.
std::string CreateFileBeside(const std::string& Path, std::string& Error);

// Renames Temporary over Path (removing it when that fails): empty, or the reason.
std::string ReplaceWithFileBeside(const std::string& Temporary, const std::string& Path);

// Removes Temporary: the download it was made for failed.
void RemoveFileBeside(const std::string& Temporary);

} // namespace WebView2::WebKitGtk
