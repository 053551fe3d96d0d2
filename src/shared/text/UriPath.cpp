#include "shared/text/UriPath.h"

#include "base/Ascii.h"

namespace Shared {

std::string DecodeUriPath(std::string_view Path) {
    Path = Path.substr(0, Path.find_first_of("?#"));
    std::string out;
    out.reserve(Path.size());
    for (std::size_t i = 0; i < Path.size(); ++i) {
        if (Path[i] == '%' && i + 2 < Path.size()) {
            const int high = Base::HexDigitValue(Path[i + 1]);
            const int low = Base::HexDigitValue(Path[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += Path[i];
    }
    return out;
}

} // namespace Shared
