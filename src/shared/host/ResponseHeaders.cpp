#include "shared/host/ResponseHeaders.h"

#include "base/Ascii.h"

#include <charconv>
#include <optional>

namespace Shared {

namespace {

std::optional<std::uint64_t> Number(std::string_view Text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (Text.empty() || error != std::errc() || end != Text.data() + Text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string_view Trim(std::string_view Text) {
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t')) {
        Text.remove_suffix(1);
    }
    return Text;
}

bool EndsWith(std::string_view Text, std::string_view Suffix) {
    return Text.size() >= Suffix.size() && Text.substr(Text.size() - Suffix.size()) == Suffix;
}

} // namespace

bool IsTextualMimeType(std::string_view MimeType) {
    const std::string type = Base::ToLowerAscii(MimeType);
    return type.starts_with("text/") || type == "application/javascript" ||
           type == "application/x-javascript" || type == "application/ecmascript" ||
           type == "application/json" || type == "application/xml" || type == "image/svg+xml" ||
           EndsWith(type, "+json") || EndsWith(type, "+xml");
}

std::string ContentTypeValue(std::string_view MimeType) {
    std::string value(MimeType);
    if (IsTextualMimeType(MimeType)) {
        value += "; charset=utf-8";
    }
    return value;
}

TByteRange ParseByteRange(std::string_view Header, std::uint64_t Size) {
    TByteRange range;
    const std::size_t equals = Header.find('=');
    if (equals == std::string_view::npos ||
        !Base::EqualsIgnoreAsciiCase(Trim(Header.substr(0, equals)), "bytes")) {
        return range; // no range, or a unit other than bytes: the whole file
    }
    const std::string_view spec = Trim(Header.substr(equals + 1));
    const std::size_t dash = spec.find('-');
    if (dash == std::string_view::npos || spec.find(',') != std::string_view::npos) {
        return range;
    }
    const std::string_view first = Trim(spec.substr(0, dash));
    const std::string_view last = Trim(spec.substr(dash + 1));
    if (first.empty()) {
        // "-N": the last N bytes.
        const auto count = Number(last);
        if (!count) {
            return range;
        }
        if (*count == 0 || Size == 0) {
            range.Kind = TByteRange::TKind::Unsatisfiable;
            return range;
        }
        range.Kind = TByteRange::TKind::Partial;
        range.First = *count >= Size ? 0 : Size - *count;
        range.Last = Size - 1;
        return range;
    }
    const auto from = Number(first);
    const auto to = last.empty() ? std::optional<std::uint64_t>() : Number(last);
    if (!from || (!last.empty() && (!to || *to < *from))) {
        return range; // not a valid range: ignored, as HTTP asks
    }
    if (*from >= Size) {
        range.Kind = TByteRange::TKind::Unsatisfiable;
        return range;
    }
    range.Kind = TByteRange::TKind::Partial;
    range.First = *from;
    range.Last = to && *to < Size ? *to : Size - 1;
    return range;
}

TResponseHead MakeResponseHead(std::string_view MimeType, std::uint64_t Size, const TByteRange& Range) {
    TResponseHead head;
    head.Headers = "Content-Type: " + ContentTypeValue(MimeType) + "\r\nAccept-Ranges: bytes";
    const std::string total = std::to_string(Size);
    switch (Range.Kind) {
    case TByteRange::TKind::Whole:
        head.Headers += "\r\nContent-Length: " + total;
        break;
    case TByteRange::TKind::Partial:
        head.Status = 206;
        head.Reason = "Partial Content";
        head.Headers += "\r\nContent-Length: " + std::to_string(Range.Last - Range.First + 1) +
                        "\r\nContent-Range: bytes " + std::to_string(Range.First) + "-" +
                        std::to_string(Range.Last) + "/" + total;
        break;
    case TByteRange::TKind::Unsatisfiable:
        head.Status = 416;
        head.Reason = "Range Not Satisfiable";
        head.Headers += "\r\nContent-Length: 0\r\nContent-Range: bytes */" + total;
        break;
    }
    return head;
}

} // namespace Shared
