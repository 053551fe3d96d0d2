#include "shared/archive/ZipNameIndex.h"

#include "base/Ascii.h"

#include <algorithm>

namespace Shared {

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
        if (Base::LessIgnoreAsciiCase(a.first, b.first)) {
            return true;
        }
        return !Base::LessIgnoreAsciiCase(b.first, a.first) && a.second < b.second;
    });
}

void TZipNameIndex::Clear() {
    FSorted.clear();
}

std::int64_t TZipNameIndex::Find(std::string_view Name) const {
    const auto found =
        std::lower_bound(FSorted.begin(), FSorted.end(), Name, [](const auto& entry, std::string_view name) {
            return Base::LessIgnoreAsciiCase(entry.first, name);
        });
    return found != FSorted.end() && Base::EqualsIgnoreAsciiCase(found->first, Name) ? found->second : -1;
}

} // namespace Shared
