#include "shared/config/IniDocument.h"

#include <gtest/gtest.h>

using Shared::TIniDocument;

namespace {

TIniDocument Load(std::string_view bytes) {
    TIniDocument ini;
    ini.LoadFromBytes(bytes);
    return ini;
}

std::string Utf16(std::u16string_view text, bool littleEndian) {
    std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t u : text) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out += littleEndian ? lo : hi;
        out += littleEndian ? hi : lo;
    }
    return out;
}

} // namespace

TEST(IniDocument, ParsingRules) {
    const TIniDocument ini = Load("ID=before-any-section\r\n"
                                  "[App]\r\n"
                                  "  Name = My App  \r\n"
                                  "; Theme=Commented\n"
                                  "Theme=First\rTheme=Second\n"
                                  "Width = 1024\n"
                                  "Key=a=b \"quoted\"\n"
                                  "Flag\n"
                                  "IndexHtml=\n"
                                  "[ app ]\n"
                                  "id=merged\n"
                                  "[Other]\n"
                                  "Name=other\n");
    EXPECT_EQ(ini.ReadString("App", "ID", "dflt"), "merged");
    EXPECT_EQ(ini.ReadString("APP", "name", ""), "My App");
    EXPECT_EQ(ini.ReadString("App", "Theme", ""), "Second");
    EXPECT_EQ(ini.ReadInteger("App", "Width", 0), 1024);
    EXPECT_EQ(ini.ReadString("App", "Key", ""), "a=b \"quoted\"");
    EXPECT_EQ(ini.ReadString("App", "Flag", "dflt"), "dflt"); // a key without "="
    EXPECT_EQ(ini.ReadString("App", "IndexHtml", "index.html"), "");
    EXPECT_EQ(ini.ReadString("App", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nope", "Name", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Other", "Name", ""), "other");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"App", "Other"}));
}

TEST(IniDocument, NonAsciiNamesIgnoreCase) {
    const TIniDocument ini = Load("[\u00c4PP]\n\u00c9T\u00c9=summer\n\u0421\u041b\u041e\u0412\u041e=word\n");
    EXPECT_EQ(ini.ReadString("\u00e4pp", "\u00e9t\u00e9", ""), "summer");
    EXPECT_EQ(ini.ReadString("\u00c4PP", "\u0441\u043b\u043e\u0432\u043e", ""), "word");
}

TEST(IniDocument, EncodingsLoadTheSameKeys) {
    const std::u16string text = u"[App]\r\nName=Caf\u00e9 \u20ac\r\nID=x\r\n";
    const std::string utf8 = "[App]\r\nName=Caf\u00e9 \u20ac\r\nID=x\r\n";
    for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, utf8, Utf16(text, true), Utf16(text, false)}) {
        const TIniDocument ini = Load(bytes);
        EXPECT_EQ(ini.ReadString("App", "Name", ""), "Caf\u00e9 \u20ac");
        EXPECT_EQ(ini.ReadString("App", "ID", ""), "x");
    }
    // Malformed UTF-8 is repaired, not dropped.
    EXPECT_EQ(Load("[App]\nName=a\xff").ReadString("App", "Name", ""), "a\uFFFD");
    EXPECT_EQ(Load("").SectionNames().size(), 0u);
    EXPECT_EQ(Load("\xFF\xFE").SectionNames().size(), 0u);
}

TEST(IniDocument, ReadIntegerAndReadBool) {
    struct Case {
        std::string value;
        int expected;
    };
    const std::vector<Case> cases = {
        {"1024", 1024},
        {"-5", -5},
        {"+7", 7},
        {"0xFF0000", 16711680},
        {"$FF0000", 16711680},
        {"16711680", 16711680},
        {"0XfF", 255},
        {"0xFF00001A", static_cast<int>(0xFF00001Au)}, // colour with the system-colour flag
        {"$FFFFFFFF", -1},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", 99}, // decimal outside 32 bits → default
        {"$100000000", 99}, // more than 32 bits → default
        {"0x", 99},
        {"$", 99},
        {"", 99},
        {"true", 99},
        {"12abc", 99},
        {"1 2", 99},
        {"- 1", 99},
    };
    for (const auto& c : cases) {
        const TIniDocument ini = Load("[App]\nV=" + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("App", "V", 99), c.expected) << c.value;
    }
    const std::vector<std::pair<std::string, bool>> bools = {
        {"1", true}, {"-5", true}, {"0", false}, {"true", false}};
    for (const auto& [value, expected] : bools) {
        EXPECT_EQ(Load("[App]\nAllowZoom=" + value).ReadBool("App", "AllowZoom", false), expected) << value;
    }
    EXPECT_TRUE(Load("[App]\nEdgeInstaller=yes").ReadBool("App", "EdgeInstaller", true));
    EXPECT_TRUE(Load("[App]\nEdgeInstaller=").ReadBool("App", "EdgeInstaller", true));
}

TEST(IniDocument, SectionLinesKeepEveryLineInOrder) {
    const TIniDocument ini = Load("[App]\nWidth=800\nFlag\n[Other]\nX=1\n[app]\nwidth = 1024\n");
    const auto lines = ini.SectionLines("APP");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Key, "Width");
    EXPECT_EQ(lines[0].Value, "800");
    EXPECT_FALSE(lines[1].HasValue);
    EXPECT_EQ(lines[2].Key, "width");
    EXPECT_EQ(lines[2].Value, "1024");
    EXPECT_EQ(ini.ReadInteger("App", "Width", 0), 1024); // the reads see the last line only
    EXPECT_TRUE(ini.SectionLines("Missing").empty());
}
