#include "shared/text/MimeTable.h"

#include <gtest/gtest.h>

using Shared::TMimeTable;

TEST(MimeTable, BuiltinListHasItsFixedShape) {
    const auto& lines = TMimeTable::BuiltinLines();
    ASSERT_EQ(lines.size(), 384u);
    EXPECT_EQ(lines.front(), ".nml=animation/narrative");
    EXPECT_EQ(lines.back(), ".mht=message/rfc822");
}

TEST(MimeTable, FirstOccurrenceWinsAndTellingRowsHold) {
    const TMimeTable table = TMimeTable::Build(TMimeTable::BuiltinLines(), {});
    const std::vector<std::pair<std::string, std::string>> rows = {
        {".htm", "text/html"},
        {".html", "text/html"},
        {".xhtml", "application/xhtml+xml"},
        {".js", "text/javascript"},
        {".css", "text/css"},
        {".svg", "image/svg+xml"},
        {".xml", "text/xml"},
        {".txt", "text/plain"},
        {".pdf", "application/pdf"},
        {".zip", "application/x-zip-compressed"},
        {".ogg", "application/ogg"},
        {".m3u", "audio/mpegurl"},
        {".png", "image/x-png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".ico", "image/x-icon"},
        {".bmp", "image/bmp"},
        {".webp", "image/webp"},
        {".mp3", "audio/x-mpg"},
        {".wav", "audio/x-wav"},
        {".mp4", "video/mpeg"},
        {".webm", "video/webm"},
        {".avi", "video/x-msvideo"},
    };
    for (const auto& [ext, type] : rows) {
        EXPECT_EQ(table.Find(ext), type) << ext;
    }
    // 384 lines, twelve extensions doubled.
    EXPECT_EQ(table.Count(), 372u);
    EXPECT_EQ(table.Find(".json"), "");
}

TEST(MimeTable, AssociationsReplaceFirstMatchOrAppend) {
    const std::vector<std::string_view> builtin = {".a=x/one", ".b=x/two", ".a=x/ignored", "=x/noext", ".e="};
    const TMimeTable table = TMimeTable::Build(
        builtin, {{".A", "X/Upper"}, {".new", "x/new"}, {".new", "x/newer"}, {"bare", "x/bare"}, {".b", ""}});
    EXPECT_EQ(table.Find(".a"), "x/upper");   // replaced the first ".a" line, lower-cased
    EXPECT_EQ(table.Find(".new"), "x/newer"); // a later write wins
    EXPECT_EQ(table.Find(".bare"), "x/bare"); // a dot is prefixed
    EXPECT_EQ(table.Find(".b"), "");          // set to empty: the line is skipped
    EXPECT_EQ(table.Find(".e"), "");
    EXPECT_EQ(table.Count(), 3u);
}

TEST(MimeTable, ModernTypesFollowTheBuiltinListWithoutReplacingItsRows) {
    // As on a machine without /etc/mime.types: the built-in list and the modern lines only.
    std::vector<std::string_view> lines = TMimeTable::BuiltinLines();
    lines.insert(lines.end(), TMimeTable::ModernLines().begin(), TMimeTable::ModernLines().end());
    const TMimeTable table = TMimeTable::Build(lines, {});
    const std::vector<std::pair<std::string, std::string>> rows = {
        {".mjs", "text/javascript"},   {".json", "application/json"},
        {".wasm", "application/wasm"}, {".woff2", "font/woff2"},
        {".opus", "audio/ogg"},        {".avif", "image/avif"},
        {".map", "application/json"},  {".webmanifest", "application/manifest+json"},
        {".mp4", "video/mpeg"},        {".ogg", "application/ogg"},
        {".webm", "video/webm"}, // the list's own rows win
    };
    for (const auto& [ext, type] : rows) {
        EXPECT_EQ(table.Find(ext), type) << ext;
    }
}
