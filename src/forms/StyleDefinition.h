#pragma once

// A visual style as the toolkit draws it. Where styles come from (resources compiled into the
// program) is the application's business: it hands the style manager a catalogue of sources.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Forms {

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

// The five texts that describe a style.
struct TStyleHeader {
    std::string Name;
    std::string Version;
    std::string Author;
    std::string Email;
    std::string Url;
};

// Named palette colours and the GTK CSS built from them (the CSS already defines every palette
// colour as @vtr_<key>).
struct TStyleDefinition {
    TStyleHeader Header;
    std::vector<std::pair<std::string, TStyleColor>> Palette;
    std::string Css;

    std::optional<TStyleColor> Color(std::string_view Key) const;
};

// One style of a catalogue: its name, known cheaply, and the reading of its whole definition
// the first time the style is used (none when its data is damaged).
struct TStyleSource {
    std::string Name;
    std::function<std::optional<TStyleDefinition>()> Load;
};

} // namespace Forms
