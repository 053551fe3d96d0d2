#pragma once

// A widget the toolkit made and keeps: when the holder lets go, the widget is destroyed (taken
// out of its parent, a window closed) and the toolkit's reference dropped.

#include "base/glib/GLibPtr.h"

#include <gtk/gtk.h>

#include <cstddef>
#include <utility>

namespace Forms {

class TOwnedWidget {
public:
    TOwnedWidget() = default;
    TOwnedWidget(TOwnedWidget&& Other) noexcept = default;
    TOwnedWidget& operator=(TOwnedWidget&& Other) noexcept {
        if (this != &Other) {
            reset();
            FWidget = std::move(Other.FWidget);
        }
        return *this;
    }
    ~TOwnedWidget() { reset(); }

    // Takes a reference on Widget (sinking a floating one) that the holder owns.
    static TOwnedWidget Own(GtkWidget* Widget) {
        TOwnedWidget out;
        out.FWidget = Base::GLib::TGObjectPtr<GtkWidget>::Ref(Widget);
        return out;
    }

    GtkWidget* get() const { return FWidget.Get(); }
    void reset() {
        if (FWidget) {
            gtk_widget_destroy(FWidget.Get());
            FWidget.Reset();
        }
    }
    bool operator==(std::nullptr_t) const { return !FWidget; }

private:
    Base::GLib::TGObjectPtr<GtkWidget> FWidget;
};

inline TOwnedWidget OwnWidget(GtkWidget* Widget) {
    return TOwnedWidget::Own(Widget);
}

} // namespace Forms
