#pragma once

#include "forms/RasterImage.h"

#include <string>
#include <string_view>
#include <vector>

namespace Shared {

// The visual styles as the bridge sees them: a thin layer over the process-wide style manager.
class TStylesUtils {
public:
    TStylesUtils() = delete;

    static std::string GetActiveTheme();
    // Clears ThemesList and fills it with every known style name: the system style "Windows",
    // then the catalogue. Sorted orders them by the locale's case-insensitive comparison.
    static void GetAvailables(std::vector<std::string>& ThemesList, bool Sorted);
    // Activates the style of that name (case-insensitive); an unknown name leaves the active
    // style and, with ShowError, reports "Style '<ThemeName>' not found".
    static void TrySetStyle(std::string_view ThemeName, bool ShowError);
    // Draws a sample window in the named catalogue style into targetImage, at its size.
    // Raises Forms::EStyleError for "Windows" ("Not available \"Windows\" preview.") and for
    // unknown names.
    static void DrawThemePreview(std::string_view ThemeName, Forms::TRasterImage& targetImage);
};

} // namespace Shared
