#include "shared/text/UriPath.h"

#include "base/Ascii.h"

namespace Shared {

std::string DecodeUriPath(std::string_view Path) {
    return DecodePercentEscapes(Path.substr(0, Path.find_first_of("?#")));
}

std::string DecodePercentEscapes(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '%' && i + 2 < Text.size()) {
            const int high = Base::HexDigitValue(Text[i + 1]);
            const int low = Base::HexDigitValue(Text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += Text[i];
    }
    return out;
}

} // namespace Shared
