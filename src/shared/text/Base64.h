#pragma once

#include <string>
#include <string_view>

namespace Shared {

// Decodes RFC 2045 Base64 in whole groups of four characters: a shorter final group is
// ignored, and one or two trailing "=" of the last group shorten the output by one or two
// bytes. Nothing is skipped or rejected; a character outside the alphabet counts as zero bits.
std::string DecodeBase64Groups(std::string_view Text);

} // namespace Shared
