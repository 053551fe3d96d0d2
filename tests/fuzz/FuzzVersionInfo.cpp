#include "shared/exe/VersionInfo.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes as a version block: refused, or read, changed and written into a block that reads
// back with the new value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        Shared::TVersionInfo info = Shared::TVersionInfo::Parse(bytes);
        for (const Shared::TVersionTranslation& t : info.Translations()) {
            if (info.SetString(t, "ProductName", "fuzzed product name")) {
                const Shared::TVersionInfo again = Shared::TVersionInfo::Parse(info.Build());
                if (again.QueryString(t, "ProductName") != "fuzzed product name") {
                    __builtin_trap();
                }
            }
        }
    } catch (const Shared::EVersionInfoError&) {
    }
    return 0;
}
