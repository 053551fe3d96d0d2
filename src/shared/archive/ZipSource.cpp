#include "shared/archive/ZipSource.h"

#include <cstring>

namespace Shared {

bool TZipMemorySource::ReadAt(std::uint64_t Offset, void* Target, std::size_t Count) const {
    if (!RangeInside(Offset, Count, FBytes.size())) {
        return false;
    }
    if (Count > 0) {
        std::memcpy(Target, FBytes.data() + Offset, Count);
    }
    return true;
}

} // namespace Shared
