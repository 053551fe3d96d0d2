#include "shared/text/CommandLine.h"

namespace Shared {

namespace {

bool IsSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view Text) {
    std::vector<std::string> items;
    std::size_t p = 0;
    const auto at = [&](std::size_t i) { return i < Text.size() ? Text[i] : '\0'; };
    for (;;) {
        for (;;) {
            while (p < Text.size() && IsSeparator(Text[p])) {
                ++p;
            }
            if (at(p) == '"' && at(p + 1) == '"') {
                p += 2;
            } else {
                break;
            }
        }
        std::string item;
        while (p < Text.size() && Text[p] != '\0' && !IsSeparator(Text[p])) {
            if (Text[p] == '"') {
                ++p;
                while (p < Text.size() && Text[p] != '\0' && Text[p] != '"') {
                    item += Text[p++];
                }
                if (p < Text.size() && Text[p] == '"') {
                    ++p;
                }
            } else {
                item += Text[p++];
            }
        }
        if (item.empty()) {
            return items;
        }
        items.push_back(std::move(item));
    }
}

std::string QuoteCommandLineArgument(std::string_view Argument) {
    return "\"" + std::string(Argument) + "\"";
}

} // namespace Shared
