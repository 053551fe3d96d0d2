#include "platform/TextCompare.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using Platform::CompareTextIgnoreCase;

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

TEST(TextCompare, IgnoresCaseInAnyScript) {
    EXPECT_EQ(CompareTextIgnoreCase("Windows", "wINDOWS"), 0);
    EXPECT_EQ(CompareTextIgnoreCase("\xc3\x89"
                                    "cole",
                                    "\xc3\xa9"
                                    "COLE"),
              0); // École / éCOLE
    EXPECT_EQ(CompareTextIgnoreCase("\xce\xa3\xce\x99\xce\x93\xce\x9c\xce\x91",
                                    "\xcf\x83\xce\xb9\xce\xb3\xce\xbc\xce\xb1"),
              0);
    EXPECT_LT(CompareTextIgnoreCase("apple", "Banana"), 0);
    EXPECT_GT(CompareTextIgnoreCase("Zebra", "apple"), 0);
    EXPECT_LT(CompareTextIgnoreCase("Windows", "Windows10"), 0);
    EXPECT_EQ(CompareTextIgnoreCase("", ""), 0);
    EXPECT_LT(CompareTextIgnoreCase("", "a"), 0);
    EXPECT_EQ(Sign(CompareTextIgnoreCase("bad \xff byte", "BAD \xff BYTE")), 0); // no crash on bad UTF-8
}

TEST(TextCompare, FollowsTheLocalesCollation) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    // German sorts "Ä" with "A"; code-point order puts it after "Z".
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "scripts/setup.sh generates de_DE.UTF-8";
    EXPECT_LT(CompareTextIgnoreCase("\xc3\x84pfel", "Zitrone"), 0);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    EXPECT_GT(CompareTextIgnoreCase("\xc3\x84pfel", "Zitrone"), 0);
    std::setlocale(LC_ALL, previous.c_str());
}
