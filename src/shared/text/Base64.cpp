#include "shared/text/Base64.h"

#include <array>

namespace Shared {

namespace {

constexpr std::array<unsigned char, 256> MakeTable() {
    std::array<unsigned char, 256> table{};
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<unsigned char>(i);
    }
    return table;
}

constexpr auto Table = MakeTable();

} // namespace

std::string DecodeBase64Groups(std::string_view Text) {
    const std::size_t groups = Text.size() / 4;
    std::string out;
    out.reserve(groups * 3);
    for (std::size_t g = 0; g < groups; ++g) {
        const auto* p = reinterpret_cast<const unsigned char*>(Text.data() + g * 4);
        const unsigned v = (Table[p[0]] << 18) | (Table[p[1]] << 12) | (Table[p[2]] << 6) | Table[p[3]];
        out += static_cast<char>((v >> 16) & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    }
    if (groups > 0) {
        const std::string_view last = Text.substr((groups - 1) * 4, 4);
        if (last[3] == '=') {
            out.pop_back();
            if (last[2] == '=') {
                out.pop_back();
            }
        }
    }
    return out;
}

} // namespace Shared
