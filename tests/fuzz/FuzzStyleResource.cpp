#include "shared/styles/StyleResource.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Style resources as found (signature + zlib stream), and the same input packed as a stream:
// random bytes rarely survive zlib's checksum, so packing is what reaches the text, palette and
// style-sheet readers behind it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    (void)Shared::TStyleResource::ReadHeader(input);
    (void)Shared::TStyleResource::Read(input);

    uLongf packedSize = compressBound(static_cast<uLong>(size));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, data, static_cast<uLong>(size), 1) ==
        Z_OK) {
        packed.resize(packedSize);
        const std::string resource = std::string(Shared::TStyleResource::Signature) + packed;
        (void)Shared::TStyleResource::ReadHeader(resource);
        if (const auto style = Shared::TStyleResource::Read(resource)) {
            // What reads must write back to the same definition.
            const auto again = Shared::TStyleResource::Read(Shared::TStyleResource::Write(*style));
            if (!again || again->Palette != style->Palette || again->Css != style->Css ||
                again->Header.Name != style->Header.Name) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
