#pragma once

#include <string>

namespace WebView2::WebKitGtk {

// Shown after the page's process ended unexpectedly; the link loads Uri (as the engine names
// it) again.
std::string ProcessFailedPage(const std::string& Uri);
// Shown when Uri could not be loaded; the link tries again.
std::string LoadFailedPage(const std::string& Uri, const std::string& Reason);

} // namespace WebView2::WebKitGtk
