#include "shared/bridge/BridgeProtocol.h"

#include <gtest/gtest.h>

using namespace Shared;
using nlohmann::json;

TEST(ParseBridgeRequest, RequiredMembers) {
    const TBridgeRequest r = ParseBridgeRequest(R"({"id":10001,"uuid":"u1","data":{},"extra":1})");
    EXPECT_EQ(r.IdText, "10001");
    EXPECT_EQ(r.Uuid, "u1");
    EXPECT_TRUE(r.Data.is_object());
    EXPECT_EQ(ParseBridgeRequest(R"({"id":"10001","uuid":"u1","data":{"a":1}})").IdText, "10001");
    for (const char* bad :
         {R"({"id":10001,"uuid":"u1"})", R"({"id":10001,"uuid":"u1","data":[]})",
          R"({"uuid":"u1","data":{}})", R"({"id":1,"data":{}})", R"({"id":{},"uuid":"u","data":{}})",
          R"("vtr-webbrowser-clicked")", "not json", "", "[1,2]", R"({"id":1,"uuid":"u","data":null})"}) {
        EXPECT_THROW(ParseBridgeRequest(bad), EBridgeArgumentError) << bad;
    }
}

TEST(ArgumentReaders, TextBoolAndTry) {
    const json data =
        json::parse(R"({"s":"text","n":1.5,"i":5,"t":true,"f":false,"z":null,"o":{},"a":[],"e":""})");
    EXPECT_EQ(GetTextArg(data, "s", "d"), "text");
    EXPECT_EQ(GetTextArg(data, "n", "d"), "1.5");
    EXPECT_EQ(GetTextArg(data, "i", "d"), "5");
    EXPECT_EQ(GetTextArg(data, "t", "d"), "true");
    EXPECT_EQ(GetTextArg(data, "f", "d"), "false");
    EXPECT_EQ(GetTextArg(data, "z", "d"), "d");
    EXPECT_EQ(GetTextArg(data, "missing", "d"), "d");
    EXPECT_EQ(GetTextArg(data, "e", "d"), "");
    EXPECT_THROW(GetTextArg(data, "o", "d"), EBridgeArgumentError);
    EXPECT_THROW(GetTextArg(data, "a", "d"), EBridgeArgumentError);

    EXPECT_TRUE(GetBoolArg(data, "t", false));
    EXPECT_FALSE(GetBoolArg(data, "f", true));
    EXPECT_TRUE(GetBoolArg(data, "missing", true));
    EXPECT_FALSE(GetBoolArg(data, "z", false));
    EXPECT_TRUE(GetBoolArg(data, "o", true));

    std::string text = "unchanged";
    EXPECT_FALSE(TryGetTextArg(data, "o", text));
    EXPECT_FALSE(TryGetTextArg(data, "missing", text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(TryGetTextArg(data, "z", text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(TryGetTextArg(data, "i", text));
    EXPECT_EQ(text, "5");
}

TEST(BridgeReply, FormatAndResults) {
    EXPECT_EQ(FormatBridgeReply("u1", TextResult("2022.4"), true),
              R"({"uuid": "u1", "success": true, "result": "2022.4"})");
    EXPECT_EQ(FormatBridgeReply("u2", BoolResult(false), false),
              R"({"uuid": "u2", "success": false, "result": false})");
    const std::vector<std::string> items = {"a\"b", "c\\d\ne"};
    EXPECT_EQ(ArrayResult(items), R"(["a\"b","c\\d\ne"])");
    EXPECT_EQ(ArrayResult(std::vector<std::string>{}), "[]");
    // The page receives exactly the texts sent.
    const json parsed = json::parse(FormatBridgeReply("u", ArrayResult(items), true));
    EXPECT_EQ(parsed["result"][0], "a\"b");
    EXPECT_EQ(parsed["result"][1], "c\\d\ne");
}

TEST(ParseBridgeRequest, UnpairedSurrogatesReadAsReplacementCharacters) {
    // The text of "title" as JSON.stringify writes it (or as raw bytes), and what it reads as.
    const std::string fffd = "\xEF\xBF\xBD";
    const std::string grin = "\xF0\x9F\x98\x80"; // U+1F600, the pair D83D DE00
    const struct {
        const char* Name;
        std::string Written;
        std::string Read;
    } cases[] = {
        {"lone high", R"(x\ud800y)", "x" + fffd + "y"},
        {"lone high upper case", R"(x\uD800y)", "x" + fffd + "y"},
        {"lone low", R"(x\udc00y)", "x" + fffd + "y"},
        {"half an emoji at the end", R"(x\ud83d)", "x" + fffd},
        {"reversed pair", R"(\ude00\ud83d)", fffd + fffd},
        {"high before a pair", R"(\ud83d\ud83d\ude00)", fffd + grin},
        {"valid pair kept", R"(\ud83d\ude00)", grin},
        {"other escapes kept", R"(\u00e9\n\"\/)", "\xC3\xA9\n\"/"},
        {"escaped backslash before u", R"(\\ud800)", "\\ud800"},
        {"escaped backslash, then a lone high", R"(\\\ud800)", "\\" + fffd},
        {"raw lone high", "x\xED\xA0\x80y", "x" + fffd + "y"},
        {"raw lone low", "x\xED\xBF\xBF", "x" + fffd},
        {"raw pair", "\xED\xA0\xBD\xED\xB8\x80", grin},
        {"raw reversed pair", "\xED\xB8\x80\xED\xA0\xBD", fffd + fffd},
    };
    for (const auto& c : cases) {
        const std::string message = R"({"id":60006,"uuid":"u","data":{"title":")" + c.Written + R"("}})";
        TBridgeRequest request;
        ASSERT_NO_THROW(request = ParseBridgeRequest(message)) << c.Name;
        EXPECT_EQ(request.Data["title"].get<std::string>(), c.Read) << c.Name;
        EXPECT_EQ(request.Uuid, "u") << c.Name;
        // Repaired text is valid: repairing it again changes nothing.
        const std::string repaired = ReplaceLoneSurrogates(message);
        EXPECT_EQ(ReplaceLoneSurrogates(repaired), repaired) << c.Name;
    }
    // Text without a lone surrogate is left as it is.
    for (const char* valid :
         {R"({"a":"\ud83d\ude00 \\ud800 \u0041"})", "{\"a\":\"\xF0\x9F\x98\x80\"}", "\\", "x\\"}) {
        EXPECT_EQ(ReplaceLoneSurrogates(valid), valid) << valid;
    }
    // Other malformed text stays refused.
    EXPECT_THROW(ParseBridgeRequest("{\"id\":1,\"uuid\":\"u\",\"data\":{\"t\":\"\xFF\"}}"),
                 EBridgeArgumentError);
    EXPECT_THROW(ParseBridgeRequest(R"({"id":1,"uuid":"u","data":{"t":"\ud800"})"), EBridgeArgumentError);
}
