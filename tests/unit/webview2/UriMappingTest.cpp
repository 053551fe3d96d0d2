#include "webview2/UriMapping.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace WebView2;

TEST(UriMapping, FileUrlsTravelAsTheEngineSchemeAndBack) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"file:///index.html", "vtr-file:///index.html"},
        {"FILE:///img/My%20Photo.jpg", "vtr-file:///img/My%20Photo.jpg"},
        {"file:///C:/data/notes.txt?x=1#top", "vtr-file:///C:/data/notes.txt?x=1#top"},
        {"https://example.com/file:///x", "https://example.com/file:///x"},
        {"file://server/share/a.txt", "file://server/share/a.txt"}, // not a local file: left alone
        {"about:blank", "about:blank"},
        {"", ""},
    };
    for (const auto& [host, engine] : cases) {
        EXPECT_EQ(MapToEngineUri(host), engine) << host;
    }
    EXPECT_EQ(MapToHostUri("vtr-file:///index.html"), "file:///index.html");
    EXPECT_EQ(MapToHostUri("VTR-FILE:///a.js#w"), "file:///a.js#w");
    EXPECT_EQ(MapToHostUri("vtr-filex:///a"), "vtr-filex:///a");
    EXPECT_EQ(MapToHostUri("https://vtr-file/"), "https://vtr-file/");
    EXPECT_TRUE(IsEngineFileUri("vtr-file:///a"));
    EXPECT_FALSE(IsEngineFileUri("vtr-file"));
}

TEST(UriMapping, RequestsNeverCarryAFragment) {
    EXPECT_EQ(StripFragment("vtr-file:///worker.js#named"), "vtr-file:///worker.js");
    EXPECT_EQ(StripFragment("vtr-file:///a.html?q=#x#y"), "vtr-file:///a.html?q=");
    EXPECT_EQ(StripFragment("vtr-file:///plain"), "vtr-file:///plain");
}

TEST(UriMapping, FiltersMatchWithWildcardsIgnoringCase) {
    struct TCase {
        const char* Pattern;
        const char* Uri;
        bool Matches;
    };
    const std::vector<TCase> cases = {
        {"*", "file:///index.html", true},
        {"*", "", true},
        {"", "", true},
        {"", "x", false},
        {"file:///*", "file:///css/site.css", true},
        {"FILE:///*.CSS", "file:///css/site.css", true},
        {"file:///*.css", "file:///css/site.css.map", false},
        {"*://*/api/*", "https://example.com/api/v1", true},
        {"*a*b*c", "xxaxxbxxbxxc", true},
        {"*a*b*c", "xxaxxcxxb", false},
        {"https://example.com/", "https://example.com/x", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(MatchesUriFilter(c.Pattern, c.Uri), c.Matches) << c.Pattern << " ~ " << c.Uri;
    }
}
