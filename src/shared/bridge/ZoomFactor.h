#pragma once

#include <string>
#include <string_view>

namespace Shared {

// The zoom factor as the page reads it: general format, at most 15 significant digits, no
// trailing zeros, no exponent for ordinary values, with DecimalSeparator (the user's own).
std::string FormatZoomFactor(double Value, std::string_view DecimalSeparator);

// Reads a zoom factor written with "." whatever the user's settings: an optional sign,
// digits with an optional fraction and exponent, blanks around it allowed. False for anything
// else, including texts that are not finite numbers ("inf", "nan").
bool TryParseZoomFactor(std::string_view Text, double& Value);

} // namespace Shared
