#include "shared/archive/ZipNameIndex.h"

#include <algorithm>

namespace Shared {

namespace {

unsigned char LowerAscii(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool LessIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

} // namespace

void TZipNameIndex::Build(const std::vector<std::string>& Names) {
    FSorted.clear();
    FSorted.reserve(Names.size());
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (!Names[i].empty()) {
            FSorted.emplace_back(Names[i], static_cast<std::int64_t>(i));
        }
    }
    // Names equal but for case sort by archive position, so the search meets the first one.
    std::sort(FSorted.begin(), FSorted.end(), [](const auto& a, const auto& b) {
        if (LessIgnoringAsciiCase(a.first, b.first)) {
            return true;
        }
        return !LessIgnoringAsciiCase(b.first, a.first) && a.second < b.second;
    });
}

void TZipNameIndex::Clear() {
    FSorted.clear();
}

std::int64_t TZipNameIndex::Find(std::string_view Name) const {
    const auto found =
        std::lower_bound(FSorted.begin(), FSorted.end(), Name, [](const auto& entry, std::string_view name) {
            return LessIgnoringAsciiCase(entry.first, name);
        });
    return found != FSorted.end() && EqualIgnoringAsciiCase(found->first, Name) ? found->second : -1;
}

} // namespace Shared
