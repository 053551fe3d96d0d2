#pragma once

#include "forms/StyleDefinition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Shared {

// The style description is the toolkit's; a resource is one way to store it.
using TStyleColor = Forms::TStyleColor;
using TStyleHeader = Forms::TStyleHeader;
using TStyleDefinition = Forms::TStyleDefinition;

// A style resource: the 13 ASCII characters "VCL_STYLE 2.0", then a zlib stream holding the
// five header texts (each a 32-bit little-endian count of UTF-16 units and the units), then
// the definition: "VTRSTYLE", a 32-bit format version (1), the palette (a 32-bit count of
// entries, each a key text and four bytes R, G, B, A) and the CSS (a 32-bit byte count and
// UTF-8 bytes). Bytes after the end of the zlib stream are ignored.
//
// Reading never trusts the data: every count is checked against what is left, the inflated
// size is capped, and any fault gives no result (with a reason when Error is given).
class TStyleResource {
public:
    TStyleResource() = delete;

    static constexpr std::string_view Signature = "VCL_STYLE 2.0";
    static constexpr std::uint32_t FormatVersion = 1;
    // Larger inflated data is refused: our styles are a few kilobytes.
    static constexpr std::size_t MaxInflatedSize = 1024 * 1024;

    // Inflates only as far as the header, which is all the catalogue needs to register a style.
    static std::optional<TStyleHeader> ReadHeader(std::string_view Data, std::string* Error = nullptr);
    static std::optional<TStyleDefinition> Read(std::string_view Data, std::string* Error = nullptr);
    static std::string Write(const TStyleDefinition& Definition);
};

} // namespace Shared
