#include "shared/config/Resources.h"

#include <gtest/gtest.h>

using Shared::TResources;

TEST(Resources, EmbeddedByteForByteAndFoundIgnoringCase) {
    const auto data = TResources::Find("rcdata", "Sample_Text");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, "\xef\xbb\xbfline1\r\nline2 \xe2\x82\xac\r\n"); // BOM and CRLF kept
    EXPECT_FALSE(TResources::Find("RCDATA", "MISSING").has_value());
    EXPECT_EQ(TResources::Names("RCDATA"), std::vector<std::string>{"sample_text"});
}
