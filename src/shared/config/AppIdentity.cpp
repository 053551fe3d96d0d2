#include "shared/config/AppIdentity.h"

#include "base/Ascii.h"

#include <algorithm>

namespace Shared {

namespace {

// The longest name a folder may have on the file systems a data folder lives on.
constexpr std::size_t MaxFolderName = 255;

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// The ID between double quotes, with control bytes written as \xHH so the message stays text.
std::string Shown(std::string_view id) {
    std::string out = "\"";
    for (const char ch : id) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsControl(c)) {
            out += "\\x";
            out += Base::HexDigit(c >> 4);
            out += Base::HexDigit(c);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

} // namespace

std::string CheckAppID(std::string_view ID) {
    const std::string rule =
        ": the ID names the application's own data folder, so it must be one folder name";
    if (ID.empty()) {
        return "the ID is empty" + rule;
    }
    if (ID == "." || ID == "..") {
        return "the ID " + Shown(ID) + " names no folder of its own" + rule + ", not \".\" or \"..\"";
    }
    if (ID.find_first_of("/\\") != std::string_view::npos) {
        return "the ID " + Shown(ID) + " holds a \"/\" or \"\\\"" + rule + ", without folder separators";
    }
    if (std::any_of(ID.begin(), ID.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); })) {
        return "the ID " + Shown(ID) + " holds a NUL or another control character" + rule;
    }
    if (ID.size() > MaxFolderName) {
        return "the ID " + Shown(ID.substr(0, 40)) + "... is " + std::to_string(ID.size()) + " bytes long" +
               rule + " of at most 255 bytes";
    }
    return {};
}

} // namespace Shared
