#include "forms/StyleEngine.h"

#include "forms/StyleManager.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"
#include "forms/gtk/OwnedWidget.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <memory>

namespace Forms {

namespace {

using Base::GLib::TGObjectPtr;
using TSurfaceHolder = Base::GLib::TOwned<cairo_surface_t, cairo_surface_destroy>;
using TCairoHolder = Base::GLib::TOwned<cairo_t, cairo_destroy>;

// Above the theme and the settings, below the user's own gtk.css.
constexpr guint StylePriority = GTK_STYLE_PROVIDER_PRIORITY_APPLICATION;
// A preview must win over the active style, which applies to every widget of the screen.
constexpr guint PreviewPriority = GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1;

} // namespace

struct TStyleSheet::TImpl {
    std::string Css;
    TGObjectPtr<GtkCssProvider> Provider;

    GtkCssProvider* GetProvider() {
        if (!Provider) {
            Provider = TGObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
            // The sheets are built and checked with the program; a fault in one would only
            // leave some rules unapplied, so there is nothing to report here.
            gtk_css_provider_load_from_data(Provider.Get(), Css.data(), static_cast<gssize>(Css.size()),
                                            nullptr);
        }
        return Provider.Get();
    }
};

TStyleSheet::TStyleSheet(std::string Css) : FImpl(std::make_unique<TImpl>()) {
    FImpl->Css = std::move(Css);
}

TStyleSheet::~TStyleSheet() = default;

const std::string& TStyleSheet::Css() const {
    return FImpl->Css;
}

namespace {

// One provider on the default screen at a time: swapping it restyles every window at once.
struct TEngineState {
    const TStyleSheet* Wanted = nullptr;
    TGObjectPtr<GtkCssProvider> Attached;
    GdkScreen* AttachedScreen = nullptr; // not owned; screens live as long as their display
    gulong DisplayOpenedHandler = 0;
};

TEngineState& Engine() {
    static TEngineState state;
    return state;
}

void ApplyWanted(GdkScreen* Screen);

void OnDisplayOpened(GdkDisplayManager* Manager, GdkDisplay* Display) {
    TEngineState& engine = Engine();
    g_signal_handler_disconnect(Manager, engine.DisplayOpenedHandler);
    engine.DisplayOpenedHandler = 0;
    ApplyWanted(gdk_display_get_default_screen(Display));
}

void ApplyWanted(GdkScreen* Screen) {
    TEngineState& engine = Engine();
    GtkCssProvider* next = engine.Wanted != nullptr ? engine.Wanted->Impl().GetProvider() : nullptr;
    if (next == engine.Attached.Get() && Screen == engine.AttachedScreen) {
        return;
    }
    // Adding before removing keeps the old look until the new one is in place; GTK restyles
    // once for both changes, on the next frame.
    if (next != nullptr) {
        gtk_style_context_add_provider_for_screen(Screen, GTK_STYLE_PROVIDER(next), StylePriority);
    }
    if (engine.Attached) {
        gtk_style_context_remove_provider_for_screen(engine.AttachedScreen,
                                                     GTK_STYLE_PROVIDER(engine.Attached.Get()));
    }
    engine.Attached = TGObjectPtr<GtkCssProvider>::Ref(next);
    engine.AttachedScreen = next != nullptr ? Screen : nullptr;
}

void AddProviderToTree(GtkWidget* Widget, gpointer Provider) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(Widget), GTK_STYLE_PROVIDER(Provider),
                                   PreviewPriority);
    if (GTK_IS_CONTAINER(Widget)) {
        gtk_container_forall(GTK_CONTAINER(Widget), AddProviderToTree, Provider);
    }
}

// The sample: a menu bar (one title highlighted), a caption, an edit box, a check box, a button
// and a progress bar: the controls a style changes.
GtkWidget* BuildSample() {
    GtkWidget* window = gtk_offscreen_window_new();
    GtkWidget* layout = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window), layout);

    GtkWidget* menuBar = gtk_menu_bar_new();
    for (const char* title : {"File", "Edit", "View", "Help"}) {
        GtkWidget* item = gtk_menu_item_new_with_label(title);
        gtk_menu_shell_append(GTK_MENU_SHELL(menuBar), item);
        if (g_str_equal(title, "Edit")) {
            gtk_widget_set_state_flags(item, GTK_STATE_FLAG_PRELIGHT, FALSE);
        }
    }
    gtk_box_pack_start(GTK_BOX(layout), menuBar, FALSE, FALSE, 0);

    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_box_pack_start(GTK_BOX(layout), content, TRUE, TRUE, 0);

    GtkWidget* caption = gtk_label_new("Sample window");
    gtk_widget_set_halign(caption, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(content), caption, FALSE, FALSE, 0);

    GtkWidget* edit = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(edit), "Edit box");
    gtk_box_pack_start(GTK_BOX(content), edit, FALSE, FALSE, 0);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GtkWidget* check = gtk_check_button_new_with_label("Option");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), TRUE);
    gtk_box_pack_start(GTK_BOX(row), check, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(row), gtk_button_new_with_label("Button"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, 0);

    GtkWidget* progress = gtk_progress_bar_new();
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress), 0.6);
    gtk_box_pack_start(GTK_BOX(content), progress, FALSE, FALSE, 0);
    return window;
}

std::uint32_t Unpremultiply(std::uint32_t Pixel) {
    const std::uint32_t alpha = Pixel >> 24;
    if (alpha == 0 || alpha == 255) {
        return alpha == 0 ? 0 : Pixel;
    }
    auto channel = [&](int shift) {
        const std::uint32_t value = (Pixel >> shift) & 0xFF;
        return std::min<std::uint32_t>(255, (value * 255 + alpha / 2) / alpha) << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

} // namespace

void TStyleEngine::Activate(const TStyleSheet* Sheet) {
    TEngineState& engine = Engine();
    engine.Wanted = Sheet;
    if (GdkScreen* screen = gdk_screen_get_default()) {
        ApplyWanted(screen);
    } else if (engine.DisplayOpenedHandler == 0) {
        engine.DisplayOpenedHandler = Base::GLib::ConnectSignal<void(GdkDisplayManager*, GdkDisplay*)>(
            gdk_display_manager_get(), "display-opened", &OnDisplayOpened);
    }
}

void TStyleEngine::DrawPreview(const TStyleSheet& Sheet, TRasterImage& Image) {
    // Cairo's own limit for image surfaces.
    constexpr int MaxSide = 32767;
    if (Image.Width > MaxSide || Image.Height > MaxSide) {
        throw EStyleError("Style preview size out of range");
    }
    const int width = std::max(Image.Width, 0);
    const int height = std::max(Image.Height, 0);
    Image.Width = width;
    Image.Height = height;
    Image.Pixels.clear();
    if (width == 0 || height == 0) {
        return;
    }
    if (gdk_screen_get_default() == nullptr) {
        throw EStyleError("No display to draw a style preview on");
    }
    const TSurfaceHolder surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        throw EStyleError("Cannot draw the style preview");
    }

    const TOwnedWidget window = OwnWidget(BuildSample());
    AddProviderToTree(window.get(), Sheet.Impl().GetProvider());
    gtk_widget_show_all(window.get());
    // Laid out at the image size, or at the smallest size the sample takes, clipped.
    GtkRequisition minimum{};
    gtk_widget_get_preferred_size(window.get(), &minimum, nullptr);
    GtkAllocation allocation{0, 0, std::max(width, minimum.width), std::max(height, minimum.height)};
    gtk_widget_size_allocate(window.get(), &allocation);

    {
        const TCairoHolder cr(cairo_create(surface.get()));
        gtk_widget_draw(window.get(), cr.get());
    }
    cairo_surface_flush(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        throw EStyleError("Cannot draw the style preview");
    }
    Image.Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            Image.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)] = Unpremultiply(row[x]);
        }
    }
}

} // namespace Forms
