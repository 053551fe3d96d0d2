#pragma once

#include <string>
#include <vector>

namespace Platform {

// Captions of the display's top-level client windows in stacking order, the topmost first,
// hidden ones included, blank ones too (callers filter). Empty without a display.
std::vector<std::string> TopLevelWindowCaptions();

} // namespace Platform
