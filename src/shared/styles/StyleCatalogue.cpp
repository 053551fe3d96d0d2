#include "shared/styles/StyleCatalogue.h"

#include "forms/StyleManager.h"
#include "shared/config/Resources.h"
#include "shared/styles/StyleResource.h"

#include <string_view>
#include <vector>

namespace Shared {

namespace {

constexpr std::string_view ResourceType = "VCLSTYLE";

std::vector<Forms::TStyleSource> ListStyleResources() {
    std::vector<Forms::TStyleSource> sources;
    for (const std::string& resource : TResources::Names(ResourceType)) {
        const auto data = TResources::Find(ResourceType, resource);
        const auto header = data ? TStyleResource::ReadHeader(*data) : std::nullopt;
        if (!header || header->Name.empty()) {
            continue;
        }
        sources.push_back({header->Name, [data = *data] { return TStyleResource::Read(data); }});
    }
    return sources;
}

} // namespace

void RegisterStyleCatalogue() {
    static const bool registered = (Forms::TStyleManager::AddCatalogue(&ListStyleResources), true);
    (void)registered;
}

} // namespace Shared
