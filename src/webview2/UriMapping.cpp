#include "webview2/UriMapping.h"

namespace WebView2 {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoreCase(std::string_view Text, std::string_view Prefix) {
    if (Text.size() < Prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < Prefix.size(); ++i) {
        if (LowerAscii(Text[i]) != LowerAscii(Prefix[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string MapToEngineUri(std::string_view Uri) {
    if (StartsWithIgnoreCase(Uri, "file:///")) {
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
    return StartsWithIgnoreCase(Uri, EngineFileScheme) && Uri.size() > EngineFileScheme.size() &&
           Uri[EngineFileScheme.size()] == ':';
}

std::string_view StripFragment(std::string_view Uri) {
    const std::size_t hash = Uri.find('#');
    return hash == std::string_view::npos ? Uri : Uri.substr(0, hash);
}

bool MatchesUriFilter(std::string_view Pattern, std::string_view Uri) {
    // Iterative wildcard match: on a mismatch, let the last `*` swallow one more character.
    std::size_t p = 0;
    std::size_t u = 0;
    std::size_t star = std::string_view::npos;
    std::size_t starU = 0;
    while (u < Uri.size()) {
        if (p < Pattern.size() && Pattern[p] == '*') {
            star = p++;
            starU = u;
        } else if (p < Pattern.size() && LowerAscii(Pattern[p]) == LowerAscii(Uri[u])) {
            ++p;
            ++u;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            u = ++starU;
        } else {
            return false;
        }
    }
    while (p < Pattern.size() && Pattern[p] == '*') {
        ++p;
    }
    return p == Pattern.size();
}

} // namespace WebView2
