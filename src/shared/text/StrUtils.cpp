#include "shared/text/StrUtils.h"

#include "base/Ascii.h"
#include "platform/Text.h"
#include "shared/text/MimeTable.h"
#include "shared/text/TrailingSlash.h"
#include "shared/text/Unicode.h"
#include "shared/text/UriPath.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <mutex>
#include <random>
#include <regex>
#include <utility>

namespace Shared {

namespace {

void AppendUnicodeEscape(std::string& out, unsigned unit) {
    out += "\\u";
    for (const int shift : {12, 8, 4, 0}) {
        out += Base::HexDigit(unit >> shift);
    }
}

bool IsWordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

std::mt19937& RandomGenerator(std::unique_lock<std::mutex>& lock) {
    static std::mutex mutex;
    static std::mt19937 generator{std::random_device{}()};
    lock = std::unique_lock<std::mutex>(mutex);
    return generator;
}

} // namespace

std::string TStrUtils::StringToJsonString(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    std::size_t pos = 0;
    while (pos < value.size()) {
        const unsigned char c = static_cast<unsigned char>(value[pos]);
        if (c < 0x80) {
            ++pos;
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '/':
                out += "\\/";
                break;
            case 0x08:
                out += "\\b";
                break;
            case 0x09:
                out += "\\t";
                break;
            case 0x0A:
                out += "\\n";
                break;
            case 0x0C:
                out += "\\f";
                break;
            case 0x0D:
                out += "\\r";
                break;
            default:
                if (c < 0x20) {
                    AppendUnicodeEscape(out, c);
                } else {
                    out += static_cast<char>(c);
                }
            }
            continue;
        }
        const std::size_t start = pos;
        const char32_t cp = DecodeUtf8(value, pos);
        if (cp >= 0x10000) {
            // Each surrogate half is escaped on its own.
            const char32_t v = cp - 0x10000;
            AppendUnicodeEscape(out, 0xD800 + (v >> 10));
            AppendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
        } else if (cp >= 0x20AC) {
            AppendUnicodeEscape(out, static_cast<unsigned>(cp));
        } else {
            out.append(value.substr(start, pos - start));
        }
    }
    out += '"';
    return out;
}

std::string TStrUtils::GetFileMIMEType(std::string_view FileName) {
    static constexpr std::string_view fallback = "application/octet-stream";
    const auto dot = FileName.rfind('.');
    if (dot == std::string_view::npos) {
        return std::string(fallback);
    }
    const auto separator = FileName.find_last_of("\\:");
    if (separator != std::string_view::npos && separator > dot) {
        return std::string(fallback);
    }
    const std::string ext = LowerCaseAscii(FileName.substr(dot));
    const std::string_view type = TMimeTable::Default().Find(ext);
    return std::string(type.empty() ? fallback : type);
}

TArrayStrings TStrUtils::ExplodeStrings(std::string_view Separator, std::string_view Value) {
    TArrayStrings result;
    if (!Separator.empty()) {
        for (auto at = Value.find(Separator); at != std::string_view::npos; at = Value.find(Separator)) {
            result.emplace_back(Value.substr(0, at));
            Value.remove_prefix(at + Separator.size());
        }
    }
    result.emplace_back(Value);
    return result;
}

std::string TStrUtils::ImplodeStrings(std::string_view Separator, const TArrayStrings& ArrayString) {
    std::string result;
    for (std::size_t i = 0; i < ArrayString.size(); ++i) {
        if (i > 0) {
            result += Separator;
        }
        result += ArrayString[i];
    }
    return result;
}

std::string TStrUtils::QuoteJavascript(std::string_view Value) {
    return ReplaceAll(ReplaceAll(Value, "'", "\\x27"), "\"", "\\x22");
}

std::string TStrUtils::UnquoteJavascript(std::string_view Value) {
    return ReplaceAll(ReplaceAll(Value, "\\x27", "'"), "\\x22", "\"");
}

std::string TStrUtils::QuoteArguments(std::string_view Value) {
    return ReplaceAll(ReplaceAll(QuoteJavascript(Value), ":", "\\x3a"), "|", "\\x7c");
}

std::string TStrUtils::UnquoteArguments(std::string_view Value) {
    return ReplaceAll(ReplaceAll(UnquoteJavascript(Value), "\\x3a", ":"), "\\x7c", "|");
}

std::string TStrUtils::GetJavascriptArrayFromMultilineString(std::string_view Value) {
    TArrayStrings items;
    for (const std::string& line : ExplodeStrings("\n", Value)) {
        if (line.empty()) {
            continue;
        }
        items.push_back("\"" + QuoteJavascript(Trim(line)) + "\"");
    }
    return ImplodeStrings(", ", items);
}

std::string TStrUtils::GetRandomString(int ALength, std::string_view ACharSequence) {
    std::vector<std::string_view> chars;
    for (std::size_t pos = 0; pos < ACharSequence.size();) {
        const std::size_t start = pos;
        DecodeUtf8(ACharSequence, pos);
        chars.push_back(ACharSequence.substr(start, pos - start));
    }
    std::string result;
    if (chars.empty()) {
        return result;
    }
    std::unique_lock<std::mutex> lock;
    std::mt19937& generator = RandomGenerator(lock);
    std::uniform_int_distribution<std::size_t> pick(0, chars.size() - 1);
    for (int i = 0; i < ALength; ++i) {
        result += chars[pick(generator)];
    }
    return result;
}

std::string TStrUtils::GetControlRandomSuffix(std::string_view Name) {
    return std::string(Name) + "-" + GetRandomString(10, "abcdefghijklmnopqrstuvwxyz1234567890");
}

std::string TStrUtils::AddLeadingZeroes(long long Number, int Length) {
    char buffer[64];
    const int precision = std::min(std::max(Length, 0), 40);
    std::snprintf(buffer, sizeof buffer, "%.*lld", precision, Number);
    return buffer;
}

std::string TStrUtils::RepeatString(std::string_view Value, int Count) {
    std::string result;
    for (int i = 0; i < Count; ++i) {
        result += Value;
    }
    return result;
}

std::string TStrUtils::Capitalize(std::string_view Value) {
    std::string result(Value);
    if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
        result[0] = static_cast<char>(result[0] - 'a' + 'A');
    }
    return result;
}

bool TStrUtils::SubStringExists(std::string_view AString, std::string_view ASubString,
                                TStringSearchOptions ASearchOptions) {
    if (ASubString.empty() || AString.empty()) {
        return false;
    }
    std::string haystack(AString);
    std::string needle(ASubString);
    if ((ASearchOptions & soMatchCase) == 0) {
        haystack = Platform::FoldCase(haystack);
        needle = Platform::FoldCase(needle);
    }
    // The direction only decides which match is found first, not whether one exists.
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) {
        if ((ASearchOptions & soWholeWord) == 0) {
            return true;
        }
        const bool startsWord = at == 0 || !IsWordByte(static_cast<unsigned char>(haystack[at - 1]));
        const std::size_t end = at + needle.size();
        const bool endsWord =
            end == haystack.size() || !IsWordByte(static_cast<unsigned char>(haystack[end]));
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

std::string TStrUtils::OleVarToStr(const TOleVariant& Value) {
    struct TVisitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(std::int64_t n) const { return std::to_string(n); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(double d) const {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.15g", d);
            return buffer;
        }
        std::string operator()(TDateTimeValue dt) const {
            if (!std::isfinite(dt.Value) || std::fabs(dt.Value) > 3e6) {
                return {};
            }
            // Days since 1899-12-30 → civil date (Howard Hinnant's algorithm).
            double whole = std::floor(dt.Value);
            long long seconds = std::llround((dt.Value - whole) * 86400.0);
            if (seconds >= 86400) {
                whole += 1;
                seconds -= 86400;
            }
            long long z = static_cast<long long>(whole) - 25569 + 719468;
            const long long era = (z >= 0 ? z : z - 146096) / 146097;
            const long long doe = z - era * 146097;
            const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
            const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
            const long long mp = (5 * doy + 2) / 153;
            const long long day = doy - (153 * mp + 2) / 5 + 1;
            const long long month = mp < 10 ? mp + 3 : mp - 9;
            const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
            char buffer[160];
            if (seconds == 0) {
                std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", year, month, day);
            } else {
                std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month,
                              day, seconds / 3600, seconds / 60 % 60, seconds % 60);
            }
            return buffer;
        }
    };
    return std::visit(TVisitor{}, Value);
}

void TStrUtils::StrToResolution(std::string_view Value, int& Width, int& Height) {
    Width = -1;
    Height = -1;
    static const std::regex pattern("([0-9]+)x([0-9]+)");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(Value.begin(), Value.end(), match, pattern)) {
        return;
    }
    int w = 0;
    int h = 0;
    const auto parse = [](const auto& group, int& out) {
        const char* first = &*group.first;
        const char* last = first + group.length();
        const auto [ptr, ec] = std::from_chars(first, last, out);
        return ec == std::errc() && ptr == last;
    };
    // Digits beyond the integer range leave both at -1 rather than raising.
    if (parse(match[1], w) && parse(match[2], h)) {
        Width = w;
        Height = h;
    }
}

void TStrUtils::GetUrlArguments(std::string_view URL, TArrayStrings& Arguments) {
    Arguments.clear();
    const auto question = URL.find('?');
    if (question == std::string_view::npos) {
        return;
    }
    std::string_view query = URL.substr(question + 1);
    query = query.substr(0, query.find('#'));
    if (query.empty()) {
        return;
    }
    for (const std::string& entry : ExplodeStrings("&", query)) {
        Arguments.push_back(MakeValidUtf8(DecodePercentEscapes(ReplaceAll(entry, "+", " "))));
    }
}

bool TStrUtils::FilePathIsHttpUrl(std::string_view Path) {
    return StartsWithIgnoreCase(Path, "http://") || StartsWithIgnoreCase(Path, "https://");
}

bool TStrUtils::FilePathIsAppRelative(std::string_view Path) {
    return StartsWithIgnoreCase(Path, "app/files/");
}

bool TStrUtils::FilePathIsPluginRelative(std::string_view Path) {
    return StartsWithIgnoreCase(Path, "app/plugins/");
}

std::string TStrUtils::GetCompilerCacheDir(std::string_view AppFilePath, std::string_view Suffix,
                                           std::string_view TempCache, std::string_view DefaultDir) {
    namespace fs = std::filesystem;
    std::string subFolder;
    std::string base;
    if (!AppFilePath.empty()) {
        const fs::path app{std::string(AppFilePath)};
        subFolder = app.stem().string() + std::string(Suffix) + "/";
        base = app.parent_path().string();
        if (!base.empty()) {
            base = WithTrailingSlash(std::move(base));
        }
    } else {
        subFolder = std::string(TempCache) + "/";
    }
    std::error_code ec;
    if (!base.empty() && fs::is_directory(base, ec)) {
        return base + subFolder;
    }
    return WithTrailingSlash(std::string(DefaultDir)) + subFolder;
}

bool TStrUtils::TryStrToInt(std::string_view Text, int& Value) {
    bool negative = false;
    if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
        negative = Text.front() == '-';
        Text.remove_prefix(1);
    }
    const bool hex = !Text.empty() && Text.front() == '$';
    if (hex) {
        Text.remove_prefix(1);
    }
    if (Text.empty()) {
        return false;
    }
    std::uint64_t magnitude = 0;
    for (const char c : Text) {
        const int digit = Base::HexDigitValue(c);
        if (digit < 0 || (!hex && digit > 9)) {
            return false;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (magnitude > 0xFFFFFFFFull) {
            return false;
        }
    }
    if (hex) {
        // Hexadecimal texts fill all 32 bits: $FFFFFFFF is -1, as colour values expect.
        auto bits = static_cast<std::uint32_t>(magnitude);
        if (negative) {
            bits = 0u - bits;
        }
        Value = static_cast<std::int32_t>(bits);
        return true;
    }
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (signedValue < std::numeric_limits<std::int32_t>::min() ||
        signedValue > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    Value = static_cast<int>(signedValue);
    return true;
}

std::string TStrUtils::ReplaceAll(std::string_view Value, std::string_view From, std::string_view To) {
    std::string result;
    if (From.empty()) {
        return std::string(Value);
    }
    std::size_t start = 0;
    for (auto at = Value.find(From); at != std::string_view::npos; at = Value.find(From, start)) {
        result.append(Value.substr(start, at - start));
        result.append(To);
        start = at + From.size();
    }
    result.append(Value.substr(start));
    return result;
}

std::string TStrUtils::LowerCaseAscii(std::string_view Value) {
    return Base::ToLowerAscii(Value);
}

bool TStrUtils::StartsWithIgnoreCase(std::string_view Value, std::string_view Prefix) {
    return Base::StartsWithIgnoreAsciiCase(Value, Prefix);
}

std::string_view TStrUtils::TrimLeft(std::string_view Value) {
    while (!Value.empty() && static_cast<unsigned char>(Value.front()) <= 32) {
        Value.remove_prefix(1);
    }
    return Value;
}

std::string_view TStrUtils::TrimRight(std::string_view Value) {
    while (!Value.empty() && static_cast<unsigned char>(Value.back()) <= 32) {
        Value.remove_suffix(1);
    }
    return Value;
}

std::string_view TStrUtils::Trim(std::string_view Value) {
    return TrimRight(TrimLeft(Value));
}

} // namespace Shared
