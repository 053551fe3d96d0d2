#include "shared/text/StrUtils.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using Shared::TArrayStrings;
using Shared::TStrUtils;

struct JsonCase {
    std::string input;
    std::string expected;
};

TEST(StringToJsonString, EscapesByUtf16CodeUnit) {
    const std::vector<JsonCase> cases = {
        {"", R"("")"},
        {"C:/Users/me/file.txt", R"("C:\/Users\/me\/file.txt")"},
        {"a\tb\nc", R"("a\tb\nc")"},
        {"quote\" back\\", R"("quote\" back\\")"},
        {"\b\f\r", R"("\b\f\r")"},
        {"\x1b\x01\x1f", R"("\u001B\u0001\u001F")"},
        {std::string("a\0b", 3), R"("a\u0000b")"},
        {"\x7f", "\"\x7f\""},
        {"\u00f1", "\"\u00f1\""},              // accented Latin letter copied unchanged
        {"\u20ab", "\"\u20ab\""},              // last unit below the escaped range
        {"\u20ac", R"("\u20AC")"},             // euro sign and above are escaped
        {"\u4e2d\u6587", R"("\u4E2D\u6587")"}, // CJK
        {"\uffff", R"("\uFFFF")"},
        {"\U0001F600", R"("\uD83D\uDE00")"}, // surrogate halves escaped each on its own
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TStrUtils::StringToJsonString(c.input), c.expected) << c.input;
    }
}

TEST(StringToJsonString, OutputParsesBackToInput) {
    const std::string input = "path/\"x\"\\\t\u00e9\u20ac\U0001F600\x01 end";
    EXPECT_EQ(nlohmann::json::parse(TStrUtils::StringToJsonString(input)).get<std::string>(), input);
}

TEST(StringToJsonString, MalformedUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(TStrUtils::StringToJsonString("a\xff"
                                            "b"),
              R"("a\uFFFDb")");
}

TEST(GetFileMIMEType, LooksUpLowerCasedExtension) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"index.html", "text/html"},
        {"INDEX.HTML", "text/html"},
        {"style.css", "text/css"},
        {"app.js", "text/javascript"},
        {"a.svg", "image/svg+xml"},
        {"noextension", "application/octet-stream"},
        {"file.unknownext", "application/octet-stream"},
        {"C:\\dir.d\\file", "application/octet-stream"}, // dot only in a folder name
        {"dir.d:file", "application/octet-stream"},
        {"dir.d/file", "application/octet-stream"}, // "/" is not a separator: ".d/file" is unknown
        {"a.", "application/octet-stream"},
    };
    for (const auto& [name, type] : cases) {
        EXPECT_EQ(TStrUtils::GetFileMIMEType(name), type) << name;
    }
}

TEST(GetFileMIMEType, SystemAssociationsFillWhatTheBuiltinListLacks) {
    if (!std::filesystem::exists("/etc/mime.types")) {
        GTEST_SKIP() << "no /etc/mime.types";
    }
    // Modules and WebAssembly must be served with usable types.
    EXPECT_EQ(TStrUtils::GetFileMIMEType("mod.mjs"), "text/javascript");
    EXPECT_EQ(TStrUtils::GetFileMIMEType("prog.wasm"), "application/wasm");
    EXPECT_EQ(TStrUtils::GetFileMIMEType("data.json"), "application/json");
    EXPECT_EQ(TStrUtils::GetFileMIMEType("font.woff2"), "font/woff2");
}

TEST(ExplodeImplode, SplitAndJoin) {
    struct Case {
        std::string sep, value;
        TArrayStrings parts;
    };
    const std::vector<Case> cases = {
        {"|", "", {""}},
        {"|", "a|b|c", {"a", "b", "c"}},
        {"|", "a|", {"a", ""}},
        {"|", "|a", {"", "a"}},
        {"::", "a:b::c", {"a:b", "c"}},
        {"", "abc", {"abc"}},
        {"Images|*.png", "Images|*.png", {"", ""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TStrUtils::ExplodeStrings(c.sep, c.value), c.parts) << c.value;
    }
    EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {"a", "b"}), "a, b");
    EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {}), "");
    EXPECT_EQ(TStrUtils::ImplodeStrings("|", {"", ""}), "|");
}

TEST(QuoteHelpers, RoundTrip) {
    EXPECT_EQ(TStrUtils::QuoteJavascript("it's \"x\""), "it\\x27s \\x22x\\x22");
    EXPECT_EQ(TStrUtils::QuoteArguments("a:b|c'"), "a\\x3ab\\x7cc\\x27");
    EXPECT_EQ(TStrUtils::UnquoteArguments(TStrUtils::QuoteArguments("a:b|c'\"")), "a:b|c'\"");
    EXPECT_EQ(TStrUtils::UnquoteJavascript("\\x27\\x22"), "'\"");
}

TEST(GetJavascriptArrayFromMultilineString, SkipsEmptyLinesOnly) {
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("a\n\n b \nit's"), R"("a", "b", "it\x27s")");
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("x\r\n  \n"), R"("x", "")");
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString(""), "");
}

TEST(SmallHelpers, Table) {
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(7, 3), "007");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(12345, 3), "12345");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(-5, 3), "-005");
    EXPECT_EQ(TStrUtils::RepeatString("ab", 3), "ababab");
    EXPECT_EQ(TStrUtils::RepeatString("ab", 0), "");
    EXPECT_EQ(TStrUtils::Capitalize("hello World"), "Hello World");
    EXPECT_EQ(TStrUtils::Capitalize("\u00e9t\u00e9"), "\u00e9t\u00e9");
    EXPECT_EQ(TStrUtils::Capitalize(""), "");
    EXPECT_TRUE(TStrUtils::FilePathIsHttpUrl("HTTPS://x"));
    EXPECT_FALSE(TStrUtils::FilePathIsHttpUrl("ftp://x"));
    EXPECT_TRUE(TStrUtils::FilePathIsAppRelative("App/Files/x"));
    EXPECT_TRUE(TStrUtils::FilePathIsPluginRelative("app/PLUGINS/x"));
    EXPECT_FALSE(TStrUtils::FilePathIsPluginRelative("app/plugin"));
}

TEST(GetRandomString, DrawsFromTheSequence) {
    const std::string s = TStrUtils::GetRandomString(200, "ab\u00e9");
    EXPECT_EQ(TStrUtils::ReplaceAll(TStrUtils::ReplaceAll(TStrUtils::ReplaceAll(s, "a", ""), "b", ""),
                                    "\u00e9", ""),
              "");
    EXPECT_EQ(TStrUtils::GetRandomString(5, ""), "");
    const std::string suffix = TStrUtils::GetControlRandomSuffix("btn");
    ASSERT_EQ(suffix.size(), 14u);
    EXPECT_EQ(suffix.substr(0, 4), "btn-");
}

TEST(SubStringExists, OptionsAreHonoured) {
    using namespace Shared;
    EXPECT_TRUE(TStrUtils::SubStringExists("Hello World", "world", soDown));
    EXPECT_FALSE(TStrUtils::SubStringExists("Hello World", "world", soDown | soMatchCase));
    EXPECT_TRUE(TStrUtils::SubStringExists("Hello World", "World", soMatchCase | soWholeWord));
    EXPECT_FALSE(TStrUtils::SubStringExists("Hello Worlds", "World", soWholeWord));
    EXPECT_TRUE(TStrUtils::SubStringExists("Worlds World", "world", soWholeWord));
    EXPECT_TRUE(TStrUtils::SubStringExists("STRASSE \u00c9T\u00c9", "\u00e9t\u00e9", 0));
    EXPECT_FALSE(TStrUtils::SubStringExists("abc", "", 0));
}

TEST(OleVarToStr, KindsOfVariant) {
    using namespace Shared;
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleVariant{}), "");
    EXPECT_EQ(TStrUtils::OleVarToStr(std::string("x")), "x");
    EXPECT_EQ(TStrUtils::OleVarToStr(std::int64_t{-42}), "-42");
    EXPECT_EQ(TStrUtils::OleVarToStr(1.5), "1.5");
    EXPECT_EQ(TStrUtils::OleVarToStr(TDateTimeValue{45000.5}), "2023-03-15 12:00:00");
    EXPECT_EQ(TStrUtils::OleVarToStr(TDateTimeValue{0}), "1899-12-30");
}

TEST(StrToResolution, MatchesFirstPair) {
    struct Case {
        std::string text;
        int w, h;
    };
    const std::vector<Case> cases = {
        {"1920x1080", 1920, 1080}, {"size: 800x600 px", 800, 600}, {"800 x 600", -1, -1}, {"", -1, -1},
        {"99999999999x1", -1, -1},
    };
    for (const auto& c : cases) {
        int w = 5, h = 5;
        TStrUtils::StrToResolution(c.text, w, h);
        EXPECT_EQ(w, c.w) << c.text;
        EXPECT_EQ(h, c.h) << c.text;
    }
}

TEST(GetUrlArguments, SplitsStrictlyAndDecodes) {
    TArrayStrings args{"stale"};
    TStrUtils::GetUrlArguments("file:///index.html?a=1&b=hello+world&c=%C3%A9%20x&d=%zz#frag", args);
    EXPECT_EQ(args, (TArrayStrings{"a=1", "b=hello world", "c=\u00e9 x", "d=%zz"}));
    TStrUtils::GetUrlArguments("file:///index.html", args);
    EXPECT_TRUE(args.empty());
    TStrUtils::GetUrlArguments("x?a b&&c", args);
    EXPECT_EQ(args, (TArrayStrings{"a b", "", "c"}));
}

TEST(GetCompilerCacheDir, PicksExistingBaseElseDefault) {
    const auto tmp = std::filesystem::temp_directory_path();
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir((tmp / "app.exe").string(), "_cache", "t", "/d"),
              tmp.string() + "/app_cache/");
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir("/no/such/dir/app.exe", "_c", "t", "/d"), "/d/app_c/");
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir("", "_c", "tmpcache", "/d/"), "/d/tmpcache/");
}
