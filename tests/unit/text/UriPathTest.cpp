#include "shared/text/UriPath.h"

#include <gtest/gtest.h>

TEST(UriPath, DecodesOnceAndDropsQueryAndFragment) {
    const struct {
        const char* Path;
        const char* Name;
    } cases[] = {
        {"data/%C3%A4%20%C3%B6.txt", "data/ä ö.txt"},
        {"%E6%97%A5%E6%9C%AC%E8%AA%9E.txt", "日本語.txt"},
        {"c%23d.txt", "c#d.txt"},       // an escaped "#" is part of the name
        {"c%3Fd.txt", "c?d.txt"},       // so is an escaped "?"
        {"data.json?v=1", "data.json"}, // cache busting
        {"app.js?v=123#main", "app.js"},
        {"page.html#part?x", "page.html"},
        {"100%25.txt", "100%.txt"},
        {"%2525.txt", "%25.txt"},         // once only
        {"bad%zz%4.txt", "bad%zz%4.txt"}, // not an escape: kept
        {"end%", "end%"},
        {"caf\xC3\xA9.png", "caf\xC3\xA9.png"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shared::DecodeUriPath(c.Path), c.Name) << c.Path;
    }
}
