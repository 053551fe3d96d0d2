#include "webview2/UriMapping.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// URIs come from pages. The file-scheme mapping must round-trip, and filter matching must
// agree with the obvious cases whatever the text: the input is split into pattern and URI.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Anything but an engine URI comes back as it went, up to the case of its scheme.
    if (!WebView2::IsEngineFileUri(input)) {
        const std::string back = WebView2::MapToHostUri(WebView2::MapToEngineUri(input));
        const std::size_t scheme = std::min<std::size_t>(5, input.size());
        if (back.size() != input.size() || std::string_view(back).substr(scheme) != input.substr(scheme)) {
            std::abort();
        }
    }
    if (WebView2::StripFragment(input).find('#') != std::string_view::npos) {
        std::abort();
    }
    const std::size_t split = input.find('\n');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view uri =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    if (!WebView2::MatchesUriFilter("*", uri)) {
        std::abort();
    }
    if (pattern.find('*') == std::string_view::npos && !WebView2::MatchesUriFilter(pattern, pattern)) {
        std::abort();
    }
    (void)WebView2::MatchesUriFilter(pattern, uri);
    return 0;
}
