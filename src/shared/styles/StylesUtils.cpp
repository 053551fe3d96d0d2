#include "shared/styles/StylesUtils.h"

#include "forms/StyleManager.h"
#include "platform/TextCompare.h"

#include <algorithm>

namespace Shared {

std::string TStylesUtils::GetActiveTheme() {
    return Forms::TStyleManager::ActiveStyleName();
}

void TStylesUtils::GetAvailables(std::vector<std::string>& ThemesList, bool Sorted) {
    ThemesList = Forms::TStyleManager::StyleNames();
    if (Sorted) {
        std::stable_sort(ThemesList.begin(), ThemesList.end(),
                         [](const std::string& a, const std::string& b) {
                             return Platform::CompareTextIgnoreCase(a, b) < 0;
                         });
    }
}

void TStylesUtils::TrySetStyle(std::string_view ThemeName, bool ShowError) {
    Forms::TStyleManager::TrySetStyle(ThemeName, ShowError);
}

void TStylesUtils::DrawThemePreview(std::string_view ThemeName, Forms::TRasterImage& targetImage) {
    Forms::TStyleManager::DrawPreview(ThemeName, targetImage);
}

} // namespace Shared
