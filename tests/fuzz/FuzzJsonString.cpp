#include "shared/text/StrUtils.h"
#include "shared/text/Unicode.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// For valid UTF-8 input, the literal must parse back to exactly that input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string literal = Shared::TStrUtils::StringToJsonString(input);
    if (Shared::MakeValidUtf8(input) != input) {
        return 0;
    }
    const auto parsed = nlohmann::json::parse(literal, nullptr, false);
    if (!parsed.is_string() || parsed.get<std::string>() != input) {
        std::abort();
    }
    return 0;
}
