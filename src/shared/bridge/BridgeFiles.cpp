#include "shared/bridge/BridgeFiles.h"

#include "shared/text/StrUtils.h"

namespace Shared {

std::string ResolveBridgePath(std::string_view Path, std::string_view AppDirPath) {
    if (!Path.empty() && Path.front() == '/') {
        return std::string(Path);
    }
    std::string relative(Path);
    for (char& c : relative) {
        if (c == '\\') {
            c = '/';
        }
    }
    return std::string(AppDirPath) + relative;
}

std::string MakeTextFileBytes(std::string_view Contents) {
    Contents = Contents.substr(0, Contents.find('\0'));
    std::string out = "\xEF\xBB\xBF";
    out.reserve(Contents.size() + Contents.size() / 16 + 8);
    std::size_t pos = 0;
    while (pos < Contents.size()) {
        const std::size_t end = Contents.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            out.append(Contents.substr(pos));
            out += "\r\n";
            break;
        }
        out.append(Contents.substr(pos, end - pos));
        out += "\r\n";
        pos = end + 1;
        if (Contents[end] == '\r' && pos < Contents.size() && Contents[pos] == '\n') {
            ++pos;
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> ParseFileTypes(std::string_view FileTypes) {
    std::vector<std::pair<std::string, std::string>> filters;
    for (const std::string& entry : TStrUtils::ExplodeStrings(";", FileTypes)) {
        TArrayStrings parts = TStrUtils::ExplodeStrings("|", entry);
        if (parts.size() == 2) {
            filters.emplace_back(std::move(parts[0]), std::move(parts[1]));
        }
    }
    return filters;
}

} // namespace Shared
