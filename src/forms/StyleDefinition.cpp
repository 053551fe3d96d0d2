#include "forms/StyleDefinition.h"

#include "base/Ascii.h"

namespace Forms {

std::string TStyleColor::ToHex() const {
    std::string text = "#";
    const auto put = [&](std::uint8_t v) {
        text.push_back(Base::HexDigit(v >> 4, false));
        text.push_back(Base::HexDigit(v, false));
    };
    put(R);
    put(G);
    put(B);
    if (A != 255) {
        put(A);
    }
    return text;
}

std::optional<TStyleColor> TStyleColor::FromHex(std::string_view Text) {
    if ((Text.size() != 7 && Text.size() != 9) || Text[0] != '#') {
        return std::nullopt;
    }
    std::uint8_t parts[4] = {0, 0, 0, 255};
    for (std::size_t i = 1, part = 0; i < Text.size(); i += 2, ++part) {
        const int high = Base::HexDigitValue(Text[i]);
        const int low = Base::HexDigitValue(Text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        parts[part] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return TStyleColor{parts[0], parts[1], parts[2], parts[3]};
}

std::optional<TStyleColor> TStyleDefinition::Color(std::string_view Key) const {
    for (const auto& [key, color] : Palette) {
        if (key == Key) {
            return color;
        }
    }
    return std::nullopt;
}

} // namespace Forms
