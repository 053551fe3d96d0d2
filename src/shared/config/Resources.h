#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// Program resources: files compiled into the executable, found by type and name
// (both compared ignoring ASCII case).
class TResources {
public:
    TResources() = delete;

    static std::optional<std::string_view> Find(std::string_view Type, std::string_view Name);
    static std::vector<std::string> Names(std::string_view Type);

    // One static registration per embedded file; made by the build's generated code.
    class TRegistration {
    public:
        TRegistration(const char* Type, const char* Name, const char* Begin, const char* End);
    };
};

} // namespace Shared
