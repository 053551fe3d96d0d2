#include "shared/text/CommandLine.h"
#include "shared/text/FileMask.h"

#include <gtest/gtest.h>

using Items = std::vector<std::string>;

TEST(SplitCommandLine, QuotingAndSeparators) {
    const std::vector<std::pair<std::string, Items>> cases = {
        {"", {}},
        {"   ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"\"my-app\" \"file:///a b.html\"", {"my-app", "file:///a b.html"}},
        {"pre\"quoted run\"post x", {"prequoted runpost", "x"}},
        {"C:\\path\\to\\x.exe /silent", {"C:\\path\\to\\x.exe", "/silent"}}, // backslashes are ordinary
        {"\"\"a b", {"a", "b"}},  // a leading pair of quotes is skipped
        {"a \"\" b", {"a", "b"}}, // a pair of quotes before an item is skipped too
        {"a \"\"", {"a"}},        // counting stops at the first empty item
        {"\"unterminated blank", {"unterminated blank"}},
        {std::string("a\0b c", 5), {"a"}},
        {"/silent /install", {"/silent", "/install"}},
    };
    for (const auto& [text, items] : cases) {
        EXPECT_EQ(Shared::SplitCommandLine(text), items) << text;
    }
}

TEST(MatchesFileMask, WildcardsIgnoreCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    };
    const Case cases[] = {
        {"photo.PNG", "*.png", true}, {"photo.png", "*.jpg", false}, {"README", "*.*", true},
        {"a.b.c", "*.c", true},       {"abc", "a?c", true},          {"ac", "a?c", false},
        {"notes.txt", "*", true},     {"x.tar.gz", "*.tar.*", true}, {"", "*", true},
        {"data", "*.txt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shared::MatchesFileMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
    }
}
