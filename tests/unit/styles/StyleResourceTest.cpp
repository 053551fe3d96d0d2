#include "shared/styles/StyleResource.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

using Shared::TStyleColor;
using Shared::TStyleDefinition;
using Shared::TStyleResource;

namespace {

TStyleDefinition SampleStyle() {
    TStyleDefinition style;
    style.Header = {"Ünïcode \xe2\x98\x83 Style", "1.2", "vtr team", "", "https://vtr.example.org/s"};
    style.Palette = {{"window_bg", TStyleColor{0x12, 0x34, 0x56, 255}},
                     {"accent", TStyleColor{1, 2, 3, 128}}};
    style.Css = "window { background-color: @vtr_window_bg; }\n";
    return style;
}

std::string Inflate(std::string_view Data) {
    std::string out(64 * 1024, '\0');
    uLongf size = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                         reinterpret_cast<const Bytef*>(Data.data()), static_cast<uLong>(Data.size())),
              Z_OK);
    out.resize(size);
    return out;
}

// The signature followed by Body compressed, as a resource with a hand-made stream.
std::string Pack(const std::string& Body) {
    uLongf size = compressBound(static_cast<uLong>(Body.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(Body.data()),
             static_cast<uLong>(Body.size()));
    packed.resize(size);
    return std::string(TStyleResource::Signature) + packed;
}

std::string UInt32(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

std::string Text(std::u16string_view units) {
    std::string out = UInt32(static_cast<std::uint32_t>(units.size()));
    for (const char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::string Header() {
    return Text(u"Name") + Text(u"1.0") + Text(u"me") + Text(u"") + Text(u"https://x");
}

} // namespace

TEST(StyleResource, RoundTripsEveryField) {
    const TStyleDefinition style = SampleStyle();
    const std::string data = TStyleResource::Write(style);
    std::string error;
    const auto read = TStyleResource::Read(data, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->Header.Name, style.Header.Name);
    EXPECT_EQ(read->Header.Version, "1.2");
    EXPECT_EQ(read->Header.Author, "vtr team");
    EXPECT_EQ(read->Header.Email, "");
    EXPECT_EQ(read->Header.Url, "https://vtr.example.org/s");
    EXPECT_EQ(read->Palette, style.Palette);
    EXPECT_EQ(read->Css, style.Css);
    EXPECT_EQ(read->Color("accent"), (TStyleColor{1, 2, 3, 128}));
    EXPECT_FALSE(read->Color("missing"));

    const auto header = TStyleResource::ReadHeader(data);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Name, style.Header.Name);
    EXPECT_EQ(header->Url, style.Header.Url);
}

TEST(StyleResource, WritesSignatureThenLengthPrefixedUtf16Texts) {
    const std::string data = TStyleResource::Write(SampleStyle());
    ASSERT_EQ(data.substr(0, 13), "VCL_STYLE 2.0");
    const std::string body = Inflate(std::string_view(data).substr(13));
    // "Ünïcode ☃ Style": 15 UTF-16 units, little-endian count, then the units.
    const std::string name = Text(u"\u00dcn\u00efcode \u2603 Style");
    ASSERT_GE(body.size(), name.size());
    EXPECT_EQ(body.substr(0, name.size()), name);
    EXPECT_EQ(body.substr(0, 4), std::string("\x0f\0\0\0", 4));
    const std::string rest =
        Text(u"1.2") + Text(u"vtr team") + Text(u"") + Text(u"https://vtr.example.org/s");
    EXPECT_EQ(body.substr(name.size(), rest.size()), rest);
}

TEST(StyleResource, HandMadeStreamsReadAsSpecified) {
    const std::string palette = UInt32(1) + Text(u"window_bg") + std::string("\x10\x20\x30\xff", 4);
    const std::string css = "a{}";
    const auto read =
        TStyleResource::Read(Pack(Header() + "VTRSTYLE" + UInt32(1) + palette + UInt32(3) + css));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Header.Name, "Name");
    EXPECT_EQ(read->Color("window_bg"), (TStyleColor{0x10, 0x20, 0x30, 0xff}));
    EXPECT_EQ(read->Css, "a{}");

    // An unpaired surrogate in a header text becomes U+FFFD rather than failing the style.
    const auto lone = TStyleResource::ReadHeader(Pack(Text(u"A\xd800"
                                                           u"B") +
                                                      Text(u"1") + Text(u"") + Text(u"") + Text(u"")));
    ASSERT_TRUE(lone);
    EXPECT_EQ(lone->Name, "A\xef\xbf\xbd"
                          "B");

    // Padding after the end of the compressed stream is not part of the style.
    EXPECT_TRUE(TStyleResource::Read(TStyleResource::Write(SampleStyle()) + std::string(16, '\0')));
}

TEST(StyleResource, RejectsBadDataWithAReason) {
    const std::string valid = TStyleResource::Write(SampleStyle());
    std::string corrupted = valid;
    corrupted[corrupted.size() - 6] ^= 0x55; // inside the deflate data or its checksum
    const std::string definition = Header() + "VTRSTYLE" + UInt32(1);
    const struct {
        const char* Label;
        std::string Data;
    } cases[] = {
        {"empty", ""},
        {"signature only", "VCL_STYLE 2.0"},
        {"other signature", "VCL_STYLE 2.1" + valid.substr(13)},
        {"not compressed", "VCL_STYLE 2.0 plain text"},
        {"corrupted", corrupted},
        {"cut short", valid.substr(0, valid.size() - 1)},
        {"text longer than data", Pack(UInt32(0xFFFFFFFFu))},
        {"text past end", Pack(UInt32(100) + "ab")},
        {"no definition", Pack(Header())},
        {"unknown definition", Pack(Header() + "SOMETHIN" + UInt32(1))},
        {"future version", Pack(Header() + "VTRSTYLE" + UInt32(2) + UInt32(0) + UInt32(0))},
        {"palette too long", Pack(definition + UInt32(0x7FFFFFFF))},
        {"palette past end", Pack(definition + UInt32(3) + Text(u"k") + "\1\2\3\4")},
        {"css past end", Pack(definition + UInt32(0) + UInt32(50) + "short")},
        {"css too long", Pack(definition + UInt32(0) + UInt32(0xFFFFFFF0u))},
        {"data after css", Pack(definition + UInt32(0) + UInt32(1) + "ab")},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(TStyleResource::Read(c.Data, &error)) << c.Label;
        EXPECT_FALSE(error.empty()) << c.Label;
    }
    EXPECT_FALSE(TStyleResource::ReadHeader("VCL_STYLE 2.0"));
}

TEST(StyleResource, EveryTruncationFailsCleanly) {
    const std::string valid = TStyleResource::Write(SampleStyle());
    for (std::size_t size = 0; size < valid.size(); ++size) {
        EXPECT_FALSE(TStyleResource::Read(std::string_view(valid).substr(0, size))) << size;
    }
}

TEST(StyleResource, RefusesDataThatInflatesBeyondTheLimit) {
    TStyleDefinition big = SampleStyle();
    big.Css.assign(TStyleResource::MaxInflatedSize + 1, ' ');
    const std::string data = TStyleResource::Write(big);
    EXPECT_LT(data.size(), 8192u); // a small resource...
    std::string error;
    EXPECT_FALSE(TStyleResource::Read(data, &error)); // ...that would unpack to more than a megabyte
    EXPECT_NE(error.find("out of range"), std::string::npos) << error;

    // A stream of zeros reads as empty texts, then fails without inflating it all.
    EXPECT_FALSE(TStyleResource::Read(Pack(std::string(8 * 1024 * 1024, '\0'))));
}

TEST(StyleColor, ParsesAndFormatsHex) {
    EXPECT_EQ(TStyleColor::FromHex("#0a64C8"), (TStyleColor{0x0a, 0x64, 0xc8, 255}));
    EXPECT_EQ(TStyleColor::FromHex("#0a64c880"), (TStyleColor{0x0a, 0x64, 0xc8, 0x80}));
    EXPECT_EQ((TStyleColor{0x0a, 0x64, 0xc8, 255}).ToHex(), "#0a64c8");
    EXPECT_EQ((TStyleColor{0x0a, 0x64, 0xc8, 0x80}).ToHex(), "#0a64c880");
    for (const char* bad : {"", "#", "0a64c8", "#0a64c", "#0a64c8f", "#0g64c8", "#0a64c8 "}) {
        EXPECT_FALSE(TStyleColor::FromHex(bad)) << bad;
    }
}
