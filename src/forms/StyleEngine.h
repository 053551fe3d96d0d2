#pragma once

#include "forms/RasterImage.h"

#include <memory>
#include <string>

namespace Forms {

// A style sheet as the toolkit applies it; parsed on first use, then kept.
class TStyleSheet {
public:
    explicit TStyleSheet(std::string Css);
    ~TStyleSheet();
    TStyleSheet(const TStyleSheet&) = delete;
    TStyleSheet& operator=(const TStyleSheet&) = delete;

    const std::string& Css() const;

    struct TImpl;
    TImpl& Impl() const { return *FImpl; }

private:
    std::unique_ptr<TImpl> FImpl;
};

// The toolkit side of visual styles (implemented in src/forms/gtk/).
class TStyleEngine {
public:
    TStyleEngine() = delete;

    // Makes Sheet the look of every window of the application at once, in place of the
    // previous one; nullptr returns to the system look. Sheet is not owned and must outlive its
    // activation. Without a display yet, the sheet is applied when the display opens.
    static void Activate(const TStyleSheet* Sheet);
    // Renders a sample window in Sheet's look into Image at its size; raises EStyleError when
    // there is no display.
    static void DrawPreview(const TStyleSheet& Sheet, TRasterImage& Image);
};

} // namespace Forms
