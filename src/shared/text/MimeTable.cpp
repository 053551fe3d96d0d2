#include "shared/text/MimeTable.h"

#include "platform/MimeAssociations.h"
#include "shared/text/StrUtils.h"

namespace Shared {

const std::vector<std::string_view>& TMimeTable::BuiltinLines() {
    static const std::vector<std::string_view> lines = {
#include "shared/text/MimeBuiltinList.inc"
    };
    return lines;
}

TMimeTable TMimeTable::Build(const std::vector<std::string_view>& BuiltinLines,
                             const TAssociations& Associations) {
    std::vector<std::string> lines(BuiltinLines.begin(), BuiltinLines.end());
    // Lower-cased extension → index of its first line, so that each set is one lookup.
    std::unordered_map<std::string, std::size_t> first;
    const auto extensionOf = [](std::string_view line) {
        return TStrUtils::LowerCaseAscii(line.substr(0, line.find('=')));
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        first.try_emplace(extensionOf(lines[i]), i);
    }
    for (const auto& [ext, type] : Associations) {
        std::string line = ext + "=" + type;
        const auto found = first.find(extensionOf(line));
        if (found != first.end()) {
            lines[found->second] = std::move(line);
        } else {
            first.emplace(extensionOf(line), lines.size());
            lines.push_back(std::move(line));
        }
    }

    TMimeTable table;
    for (const std::string& line : lines) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string ext = TStrUtils::LowerCaseAscii(std::string_view(line).substr(0, eq));
        std::string type = TStrUtils::LowerCaseAscii(std::string_view(line).substr(eq + 1));
        if (ext.empty() || type.empty()) {
            continue;
        }
        if (ext.front() != '.') {
            ext.insert(ext.begin(), '.');
        }
        table.FTypes.try_emplace(std::move(ext), std::move(type));
    }
    return table;
}

const std::vector<std::string_view>& TMimeTable::ModernLines() {
    static const std::vector<std::string_view> lines = {
        ".mjs=text/javascript",  ".cjs=text/javascript",   ".json=application/json",
        ".map=application/json", ".wasm=application/wasm", ".webmanifest=application/manifest+json",
        ".woff=font/woff",       ".woff2=font/woff2",      ".ttf=font/ttf",
        ".otf=font/otf",         ".webm=video/webm",       ".ogg=audio/ogg",
        ".oga=audio/ogg",        ".ogv=video/ogg",         ".opus=audio/ogg",
        ".mp4=video/mp4",        ".m4a=audio/mp4",         ".flac=audio/flac",
        ".webp=image/webp",      ".avif=image/avif",       ".apng=image/apng",
        ".csv=text/csv",         ".md=text/markdown",      ".glb=model/gltf-binary",
        ".gltf=model/gltf+json",
    };
    return lines;
}

const TMimeTable& TMimeTable::Default() {
    static const TMimeTable table = [] {
        std::vector<std::string_view> lines = BuiltinLines();
        lines.insert(lines.end(), ModernLines().begin(), ModernLines().end());
        return Build(lines, Platform::ReadSystemMimeAssociations());
    }();
    return table;
}

std::string_view TMimeTable::Find(std::string_view Extension) const {
    const auto found = FTypes.find(Extension);
    return found == FTypes.end() ? std::string_view() : std::string_view(found->second);
}

} // namespace Shared
