#include "shared/bridge/ZoomFactor.h"

#include "shared/text/StrUtils.h"

#include <charconv>
#include <cmath>

namespace Shared {

std::string FormatZoomFactor(double Value, std::string_view DecimalSeparator) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        text.replace(dot, 1, DecimalSeparator);
    }
    return text;
}

bool TryParseZoomFactor(std::string_view Text, double& Value) {
    Text = TStrUtils::Trim(Text);
    if (!Text.empty() && Text.front() == '+') {
        Text.remove_prefix(1);
        if (!Text.empty() && (Text.front() == '-' || Text.front() == '+')) {
            return false;
        }
    }
    // Digits only: from_chars would also take "inf" and "nan", which are no zoom.
    if (Text.empty() || Text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
        return false;
    }
    double parsed = 0;
    const auto result = std::from_chars(Text.data(), Text.data() + Text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != Text.data() + Text.size() || !std::isfinite(parsed)) {
        return false;
    }
    Value = parsed;
    return true;
}

} // namespace Shared
