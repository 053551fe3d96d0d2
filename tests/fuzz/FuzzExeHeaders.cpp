#include "shared/exe/ExeHeaders.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Shared::TMemoryStream image{std::string(reinterpret_cast<const char*>(data), size)};
    (void)Shared::TExeHeaders::GetImageEnd(image);
    (void)Shared::TExeHeaders::GetElfImageEnd(image);
    (void)Shared::TExeHeaders::GetPeImageEnd(image);
    return 0;
}
