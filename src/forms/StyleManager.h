#pragma once

#include "forms/RasterImage.h"
#include "forms/StyleDefinition.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Forms {

class EStyleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The process-wide visual-style manager. The known styles are the system style "Windows" (the
// platform's own look, no style sheet) and the catalogue the application hands over at start
// (the program's style resources), registered the first time styles are listed or looked up.
// At process start the system style is active. GUI thread only.
class TStyleManager {
public:
    TStyleManager() = delete;

    static constexpr std::string_view SystemStyleName = "Windows";

    // The system style first, then every catalogue style in registration order.
    static std::vector<std::string> StyleNames();
    static std::string ActiveStyleName();
    // The known style whose name equals Name without regard to case (Unicode case folding), in
    // its own spelling; styles already loaded are searched first.
    static std::optional<std::string> FindStyleName(std::string_view Name);
    // The palette and style sheet of a catalogue style (none for the system style).
    static std::optional<TStyleDefinition> StyleDefinition(std::string_view Name);

    // Activates the style named Name (found as by FindStyleName): every window of the
    // application takes its look at once. When there is no such style the active style stays,
    // false is returned and, with ShowError, the text "Style '<Name>' not found" goes to the
    // error presenter. When GTK has no display yet, the style takes effect once it opens one.
    static bool TrySetStyle(std::string_view Name, bool ShowError);

    // Draws a sample window in the named catalogue style into Image, at Image.Width x
    // Image.Height, without touching the active style. Raises EStyleError for the system style
    // ("Not available \"Windows\" preview.") and for an unknown name.
    static void DrawPreview(std::string_view Name, TRasterImage& Image);

    // Adds the styles that List gives to the catalogue. List is called once, the first time
    // styles are listed or looked up (at once when that has happened already); a style whose
    // name is known already (without regard to case) is left out.
    using TCatalogue = std::function<std::vector<TStyleSource>()>;
    static void AddCatalogue(TCatalogue List);

    // Where the not-found text of TrySetStyle goes; by default to standard error. The
    // application replaces it with its error message box (one Close button). An empty function
    // restores the default.
    using TErrorPresenter = std::function<void(const std::string& Text)>;
    static void SetErrorPresenter(TErrorPresenter Presenter);
};

} // namespace Forms
