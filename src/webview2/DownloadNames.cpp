#include "webview2/DownloadNames.h"

#include "webview2/UriMapping.h"

#include <algorithm>

namespace WebView2 {

namespace {

// Room under the usual 255-byte limit for the temporary suffix a download is written under.
constexpr std::size_t MaxNameBytes = 200;
constexpr std::size_t MaxExtensionBytes = 16;

int HexValue(char C) {
    if (C >= '0' && C <= '9') {
        return C - '0';
    }
    if (C >= 'a' && C <= 'f') {
        return C - 'a' + 10;
    }
    if (C >= 'A' && C <= 'F') {
        return C - 'A' + 10;
    }
    return -1;
}

std::string PercentDecode(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '%' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 &&
            HexValue(Text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
            i += 2;
        } else {
            out += Text[i];
        }
    }
    return out;
}

std::string LastPathPart(std::string_view Uri) {
    Uri = StripFragment(Uri);
    Uri = Uri.substr(0, Uri.find('?'));
    const std::size_t slash = Uri.rfind('/');
    return PercentDecode(slash == std::string_view::npos ? Uri : Uri.substr(slash + 1));
}

bool IsBlank(char C) {
    return C == ' ' || C == '\t';
}

// Cuts Text to at most Bytes bytes without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& Text, std::size_t Bytes) {
    if (Text.size() <= Bytes) {
        return Text;
    }
    std::size_t end = Bytes;
    while (end > 0 && (static_cast<unsigned char>(Text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return Text.substr(0, end);
}

} // namespace

std::string DownloadFileName(std::string_view Suggested, std::string_view Uri) {
    std::string name(Suggested);
    if (std::all_of(name.begin(), name.end(), IsBlank)) {
        name = LastPathPart(Uri);
    }
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    const std::size_t first = name.find_first_not_of(" \t.");
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && (IsBlank(name.back()) || name.back() == '.')) {
        name.pop_back();
    }
    if (name.size() > MaxNameBytes) {
        const std::size_t dot = name.rfind('.');
        const std::string extension =
            dot != std::string::npos && name.size() - dot <= MaxExtensionBytes ? name.substr(dot) : "";
        name = CutUtf8(name.substr(0, name.size() - extension.size()), MaxNameBytes - extension.size()) +
               extension;
    }
    return name.empty() ? "download" : name;
}

} // namespace WebView2
