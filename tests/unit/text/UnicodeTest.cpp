#include "shared/text/Unicode.h"

#include <gtest/gtest.h>

using namespace Shared;

TEST(Unicode, RoundTripsAndRepairs) {
    const std::string text = "a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\U0001F600").size(), 2u);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\uFFFD");
    const std::vector<std::pair<std::string, std::string>> repairs = {
        {"\xC0\xAF", "\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"ab\xE2\x82", "ab\uFFFD\uFFFD"},                 // truncated at the end
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"ok\uFFFD", "ok\uFFFD"},
    };
    for (const auto& [in, out] : repairs) {
        EXPECT_EQ(MakeValidUtf8(in), out);
    }
}
