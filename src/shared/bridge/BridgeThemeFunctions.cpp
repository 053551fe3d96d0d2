#include "shared/bridge/BrowserExternalModule.h"
#include "shared/styles/StylesUtils.h"

#include <vector>

// Bridge functions of the visual styles. None of them fails: an unknown name answers false.

namespace Shared {

void TBrowserExternalModule::ThemesGetTheme(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(TStylesUtils::GetActiveTheme()));
}

void TBrowserExternalModule::ThemesGetThemes(const std::string& Uuid, const nlohmann::json&) {
    std::vector<std::string> themes;
    TStylesUtils::GetAvailables(themes, true);
    PostSuccess(Uuid, ArrayResult(themes));
}

void TBrowserExternalModule::ThemesSetTheme(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string name = GetTextArg(Data, "name", "");
    TStylesUtils::TrySetStyle(name, false);
    // The style is looked up ignoring case, but only the exact name counts as set.
    PostSuccess(Uuid, BoolResult(TStylesUtils::GetActiveTheme() == name));
}

} // namespace Shared
