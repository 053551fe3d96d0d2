#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Shared {

// Extension → MIME type, built from "ext=type" lines with system associations merged over them.
class TMimeTable {
public:
    using TAssociations = std::vector<std::pair<std::string, std::string>>;

    // Each association sets its extension: it replaces the first line of that extension
    // (ignoring case) or is appended. When loading, the first line of an extension wins.
    static TMimeTable Build(const std::vector<std::string_view>& BuiltinLines,
                            const TAssociations& Associations);

    // The built-in list and the modern types after it, merged with the operating system's
    // associations, built once per process.
    static const TMimeTable& Default();
    static const std::vector<std::string_view>& BuiltinLines();
    // Types of the web platform the built-in list lacks (modules, JSON, WebAssembly, web fonts,
    // media, source maps), after its lines so that each of its own lines still wins: a machine
    // without /etc/mime.types must still serve them as pages need them.
    static const std::vector<std::string_view>& ModernLines();

    // Lower-case extension with its leading dot; empty when unknown.
    std::string_view Find(std::string_view Extension) const;
    std::size_t Count() const { return FTypes.size(); }

private:
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::string, THash, std::equal_to<>> FTypes;
};

} // namespace Shared
