#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Shared {

struct TStyleColor {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    std::uint8_t A = 255;

    bool operator==(const TStyleColor&) const = default;
    // "#rrggbb" (or "#rrggbbaa" when not opaque).
    std::string ToHex() const;
    // Accepts "#rrggbb" and "#rrggbbaa", hex digits in either case.
    static std::optional<TStyleColor> FromHex(std::string_view Text);
};

// The five texts every style resource starts with.
struct TStyleHeader {
    std::string Name;
    std::string Version;
    std::string Author;
    std::string Email;
    std::string Url;
};

// A visual style as the style engine draws it: named palette colours and the GTK CSS built
// from them (the CSS already defines every palette colour as @vtr_<key>).
struct TStyleDefinition {
    TStyleHeader Header;
    std::vector<std::pair<std::string, TStyleColor>> Palette;
    std::string Css;

    std::optional<TStyleColor> Color(std::string_view Key) const;
};

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
