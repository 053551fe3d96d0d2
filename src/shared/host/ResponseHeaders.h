#pragma once

// The headers of the answers the browser form gives: types as the web platform needs them, the
// length, and byte ranges.

#include <cstdint>
#include <string>
#include <string_view>

namespace Shared {

// Text types carry "; charset=utf-8", which decides how a page's text is read; everything else
// goes bare: a binary type has no charset, and streaming WebAssembly compilation refuses
// "application/wasm" with one.
bool IsTextualMimeType(std::string_view MimeType);
std::string ContentTypeValue(std::string_view MimeType);

// What a request's Range header asks of a file of Size bytes. One range only: a list of ranges
// is answered whole, as HTTP allows.
struct TByteRange {
    enum class TKind { Whole, Partial, Unsatisfiable };
    TKind Kind = TKind::Whole;
    std::uint64_t First = 0; // with Partial: the first and the last byte, inclusive
    std::uint64_t Last = 0;
};
TByteRange ParseByteRange(std::string_view Header, std::uint64_t Size);

// Status, reason and header lines (CR LF between them) of an answer of Size bytes of MimeType
// for Range.
struct TResponseHead {
    int Status = 200;
    std::string Reason = "OK";
    std::string Headers;
};
TResponseHead MakeResponseHead(std::string_view MimeType, std::uint64_t Size, const TByteRange& Range);

} // namespace Shared
