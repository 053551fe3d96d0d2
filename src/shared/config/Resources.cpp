#include "shared/config/Resources.h"

#include "shared/text/StrUtils.h"

#include <map>
#include <utility>

namespace Shared {

namespace {

using TKey = std::pair<std::string, std::string>;

std::map<TKey, std::string_view>& Registry() {
    static std::map<TKey, std::string_view> registry;
    return registry;
}

TKey MakeKey(std::string_view type, std::string_view name) {
    return {TStrUtils::LowerCaseAscii(type), TStrUtils::LowerCaseAscii(name)};
}

} // namespace

TResources::TRegistration::TRegistration(const char* Type, const char* Name, const char* Begin,
                                         const char* End) {
    Registry()[MakeKey(Type, Name)] = std::string_view(Begin, static_cast<std::size_t>(End - Begin));
}

std::optional<std::string_view> TResources::Find(std::string_view Type, std::string_view Name) {
    const auto found = Registry().find(MakeKey(Type, Name));
    if (found == Registry().end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::string> TResources::Names(std::string_view Type) {
    std::vector<std::string> names;
    const std::string type = TStrUtils::LowerCaseAscii(Type);
    for (const auto& [key, data] : Registry()) {
        if (key.first == type) {
            names.push_back(TStrUtils::LowerCaseAscii(key.second));
        }
    }
    return names;
}

} // namespace Shared
