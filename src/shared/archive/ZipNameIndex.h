#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Shared {

// Finds entry names ignoring the case of ASCII letters. A sorted table rather than a hash:
// names chosen to collide cannot make building or looking up slow, whatever the archive holds.
class TZipNameIndex {
public:
    // Indexes Names, which must stay alive and unchanged while the index is used. Empty names
    // are left out. When names differ only in case, the first wins.
    void Build(const std::vector<std::string>& Names);
    void Clear();
    // The index into Names, or -1.
    std::int64_t Find(std::string_view Name) const;

private:
    std::vector<std::pair<std::string_view, std::int64_t>> FSorted;
};

} // namespace Shared
