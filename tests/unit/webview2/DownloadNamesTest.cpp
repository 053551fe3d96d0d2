#include "webview2/DownloadNames.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace WebView2;

TEST(DownloadNames, ANameNeverLeavesTheChosenFolder) {
    // Suggested name, address, offered name.
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"", "file:///web/report.txt", "report.txt"},
        {"renamed.bin", "file:///web/blob.bin", "renamed.bin"},
        {"  ", "file:///web/My%20Photo.jpg?v=2#top", "My Photo.jpg"},
        {"", "file:///web/%E6%97%A5%E6%9C%AC.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"},
        {"", "file:///web/100%.txt", "100%.txt"}, // not an escape: kept
        {"../../.bashrc", "file:///x", "_.._.bashrc"},
        {"", "file:///web/..%2F..%2Fetc%2Fpasswd", "_.._etc_passwd"},
        {"a\\b/c\nd", "file:///x", "a_b_c_d"},
        {"...", "file:///x", "download"},
        {" .hidden. ", "file:///x", "hidden"},
        {"", "file:///web/", "download"},
        {"", "blob:vtr-file:///2ebf6213-75b4", "2ebf6213-75b4"},
    };
    for (const auto& [suggested, uri, expected] : cases) {
        EXPECT_EQ(DownloadFileName(suggested, uri), expected) << suggested << " " << uri;
    }
}

TEST(DownloadNames, ALongNameIsShortenedKeepingItsExtension) {
    const std::string name = DownloadFileName(std::string(300, 'a') + ".tar.gz", "file:///x");
    EXPECT_LE(name.size(), 200u);
    EXPECT_EQ(name.substr(name.size() - 3), ".gz");
    // A character is never cut in half.
    std::string wide;
    for (int i = 0; i < 150; ++i) {
        wide += "\xC3\xA9"; // é
    }
    const std::string shortened = DownloadFileName(wide, "file:///x");
    EXPECT_LE(shortened.size(), 200u);
    EXPECT_EQ(shortened.size() % 2, 0u);
}
