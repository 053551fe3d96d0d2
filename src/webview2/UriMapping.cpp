#include "webview2/UriMapping.h"

#include "base/Wildcard.h"

namespace WebView2 {

std::string MapToEngineUri(std::string_view Uri) {
    if (Base::StartsWithIgnoreAsciiCase(Uri, "file:///")) {
        return std::string(EngineFileScheme) + ":" + std::string(Uri.substr(5));
    }
    return std::string(Uri);
}

std::string MapToHostUri(std::string_view Uri) {
    if (IsEngineFileUri(Uri)) {
        return "file:" + std::string(Uri.substr(EngineFileScheme.size() + 1));
    }
    return std::string(Uri);
}

bool IsEngineFileUri(std::string_view Uri) {
    return Base::StartsWithIgnoreAsciiCase(Uri, EngineFileScheme) && Uri.size() > EngineFileScheme.size() &&
           Uri[EngineFileScheme.size()] == ':';
}

std::string_view StripFragment(std::string_view Uri) {
    const std::size_t hash = Uri.find('#');
    return hash == std::string_view::npos ? Uri : Uri.substr(0, hash);
}

bool MatchesUriFilter(std::string_view Pattern, std::string_view Uri) {
    return Base::MatchesWildcard(Pattern, Uri, {.QuestionMark = false, .IgnoreCase = true});
}

} // namespace WebView2
