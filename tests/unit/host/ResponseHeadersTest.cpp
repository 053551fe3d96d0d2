#include "shared/host/ResponseHeaders.h"
#include "shared/host/ResponseStreams.h"
#include "webview2/Streams.h"

#include <gtest/gtest.h>

using namespace Shared;

TEST(ResponseHeaders, OnlyTextTypesCarryACharset) {
    const struct {
        const char* Type;
        const char* Value;
    } cases[] = {
        {"text/html", "text/html; charset=utf-8"},
        {"text/javascript", "text/javascript; charset=utf-8"},
        {"application/json", "application/json; charset=utf-8"},
        {"application/manifest+json", "application/manifest+json; charset=utf-8"},
        {"image/svg+xml", "image/svg+xml; charset=utf-8"},
        {"application/xhtml+xml", "application/xhtml+xml; charset=utf-8"},
        {"application/wasm", "application/wasm"},
        {"application/octet-stream", "application/octet-stream"},
        {"image/png", "image/png"},
        {"video/webm", "video/webm"},
        {"font/woff2", "font/woff2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContentTypeValue(c.Type), c.Value) << c.Type;
    }
}

TEST(ResponseHeaders, RangesAreAnsweredWithTheirBytesOrRefused) {
    using K = TByteRange::TKind;
    const struct {
        const char* Header;
        std::uint64_t Size;
        K Kind;
        std::uint64_t First, Last;
    } cases[] = {
        {"", 100, K::Whole, 0, 0},
        {"bytes=0-9", 100, K::Partial, 0, 9},
        {"bytes=90-", 100, K::Partial, 90, 99},
        {"bytes=90-500", 100, K::Partial, 90, 99},
        {"bytes=-10", 100, K::Partial, 90, 99},
        {"bytes=-500", 100, K::Partial, 0, 99},
        {"Bytes = 5-5", 100, K::Partial, 5, 5},
        {"bytes=100-", 100, K::Unsatisfiable, 0, 0},
        {"bytes=0-", 0, K::Unsatisfiable, 0, 0},
        {"bytes=-0", 100, K::Unsatisfiable, 0, 0},
        {"bytes=9-3", 100, K::Whole, 0, 0},     // invalid: ignored
        {"bytes=0-1,5-6", 100, K::Whole, 0, 0}, // several: the whole file
        {"items=0-1", 100, K::Whole, 0, 0},
        {"bytes=a-b", 100, K::Whole, 0, 0},
        {"bytes=0-99999999999999999999", 100, K::Whole, 0, 0}, // beyond any number: ignored
    };
    for (const auto& c : cases) {
        const TByteRange r = ParseByteRange(c.Header, c.Size);
        EXPECT_EQ(r.Kind, c.Kind) << c.Header;
        if (c.Kind == K::Partial) {
            EXPECT_EQ(r.First, c.First) << c.Header;
            EXPECT_EQ(r.Last, c.Last) << c.Header;
        }
    }
    const TResponseHead partial = MakeResponseHead("video/webm", 100, ParseByteRange("bytes=10-19", 100));
    EXPECT_EQ(partial.Status, 206);
    EXPECT_EQ(partial.Headers, "Content-Type: video/webm\r\nAccept-Ranges: bytes\r\nContent-Length: 10\r\n"
                               "Content-Range: bytes 10-19/100");
    const TResponseHead refused = MakeResponseHead("text/plain", 100, ParseByteRange("bytes=200-", 100));
    EXPECT_EQ(refused.Status, 416);
    EXPECT_NE(refused.Headers.find("Content-Range: bytes */100"), std::string::npos);
    const TResponseHead whole = MakeResponseHead("text/plain", 5, {});
    EXPECT_EQ(whole.Status, 200);
    EXPECT_EQ(whole.Reason, "OK");
    EXPECT_NE(whole.Headers.find("Content-Length: 5"), std::string::npos);
}

TEST(ResponseStreams, ARangeStreamGivesOnlyItsBytesAndKnowsItsLength) {
    auto inner = WebView2::CreateMemoryStream("0123456789");
    auto range = CreateRangeStream(inner, 3, 4);
    WebView2::UINT64 length = 0;
    ASSERT_EQ(WebView2::RemainingLength(range.Get(), length), WebView2::S_OK);
    EXPECT_EQ(length, 4u);
    std::string all;
    ASSERT_EQ(WebView2::ReadToEnd(range.Get(), all), WebView2::S_OK);
    EXPECT_EQ(all, "3456");
}
