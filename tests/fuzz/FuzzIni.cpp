#include "shared/config/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Shared::TIniDocument ini;
    ini.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::string& section : ini.SectionNames()) {
        (void)ini.ReadString(section, "ID", "");
        (void)ini.ReadInteger(section, "Width", 800);
        (void)ini.ReadBool(section, "AllowZoom", false);
    }
    (void)ini.ReadInteger("App", "InstallFormColor", 0);
    return 0;
}
