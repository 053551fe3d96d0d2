#pragma once

#include <string>
#include <string_view>

namespace Shared {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes one code point at text[pos] and advances pos. Malformed, overlong and
// surrogate sequences decode as U+FFFD, consuming one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// The text with every malformed sequence replaced by U+FFFD.
std::string MakeValidUtf8(std::string_view text);

} // namespace Shared
