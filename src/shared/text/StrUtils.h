#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Shared {

using TArrayStrings = std::vector<std::string>;

enum TStringSearchOption : unsigned { soDown = 1u, soMatchCase = 2u, soWholeWord = 4u };
using TStringSearchOptions = unsigned;

// A date-time value as days since 1899-12-30, the fraction being the time of day.
struct TDateTimeValue {
    double Value = 0;
};
using TOleVariant = std::variant<std::monostate, std::string, std::int64_t, double, TDateTimeValue, bool>;

// Text helpers. Strings are UTF-8; where the rules count or escape UTF-16 code units,
// the members convert at that spot.
class TStrUtils {
public:
    TStrUtils() = delete;

    static std::string StringToJsonString(std::string_view value);
    static std::string GetFileMIMEType(std::string_view FileName);
    static TArrayStrings ExplodeStrings(std::string_view Separator, std::string_view Value);
    static std::string ImplodeStrings(std::string_view Separator, const TArrayStrings& ArrayString);

    static std::string QuoteJavascript(std::string_view Value);
    static std::string UnquoteJavascript(std::string_view Value);
    static std::string QuoteArguments(std::string_view Value);
    static std::string UnquoteArguments(std::string_view Value);
    static std::string GetJavascriptArrayFromMultilineString(std::string_view Value);
    static std::string GetRandomString(int ALength, std::string_view ACharSequence);
    static std::string GetControlRandomSuffix(std::string_view Name);
    static std::string AddLeadingZeroes(long long Number, int Length);
    static std::string RepeatString(std::string_view Value, int Count);
    static std::string Capitalize(std::string_view Value);
    static bool SubStringExists(std::string_view AString, std::string_view ASubString,
                                TStringSearchOptions ASearchOptions);
    static std::string OleVarToStr(const TOleVariant& Value);
    static void StrToResolution(std::string_view Value, int& Width, int& Height);
    static void GetUrlArguments(std::string_view URL, TArrayStrings& Arguments);
    static bool FilePathIsHttpUrl(std::string_view Path);
    static bool FilePathIsAppRelative(std::string_view Path);
    static bool FilePathIsPluginRelative(std::string_view Path);
    static std::string GetCompilerCacheDir(std::string_view AppFilePath, std::string_view Suffix,
                                           std::string_view TempCache, std::string_view DefaultDir);

    // Decimal with optional sign, or hexadecimal after "$" (all 32 bits: "$FFFFFFFF" is -1);
    // false when the text does not convert or a decimal lies outside 32 bits.
    static bool TryStrToInt(std::string_view Text, int& Value);

    // Small shared pieces of the rules above.
    static std::string ReplaceAll(std::string_view Value, std::string_view From, std::string_view To);
    static std::string LowerCaseAscii(std::string_view Value);
    static bool StartsWithIgnoreCase(std::string_view Value, std::string_view Prefix);
    // Trims characters with codes up to 32 from both ends (or one end).
    static std::string_view Trim(std::string_view Value);
    static std::string_view TrimLeft(std::string_view Value);
    static std::string_view TrimRight(std::string_view Value);
};

} // namespace Shared
