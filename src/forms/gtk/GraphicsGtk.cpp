#include "forms/Graphics.h"
#include "forms/gtk/OwnedWidget.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cmath>

// System colours come from the GTK theme: each index names the theme colours that play its
// part, first found wins. Without a display (or when the theme names none of them) the classic
// default of the index stands in.

namespace Forms {

namespace {

struct TSystemColor {
    std::array<const char*, 3> ThemeNames;
    TColor Classic; // 0x00BBGGRR
};

constexpr std::array<TSystemColor, 31> SystemColors = {{
    {{"theme_bg_color"}, 0xC8C8C8},                                      // COLOR_SCROLLBAR
    {{}, 0x000000},                                                      // COLOR_BACKGROUND (desktop)
    {{"wm_bg_a", "theme_bg_color"}, 0xD1B499},                           // COLOR_ACTIVECAPTION
    {{"theme_unfocused_bg_color", "theme_bg_color"}, 0xDBCDBF},          // COLOR_INACTIVECAPTION
    {{"theme_base_color"}, 0xF0F0F0},                                    // COLOR_MENU
    {{"theme_base_color"}, 0xFFFFFF},                                    // COLOR_WINDOW
    {{"borders"}, 0x646464},                                             // COLOR_WINDOWFRAME
    {{"theme_fg_color"}, 0x000000},                                      // COLOR_MENUTEXT
    {{"theme_text_color", "theme_fg_color"}, 0x000000},                  // COLOR_WINDOWTEXT
    {{"wm_title", "theme_fg_color"}, 0x000000},                          // COLOR_CAPTIONTEXT
    {{"borders"}, 0xB4B4B4},                                             // COLOR_ACTIVEBORDER
    {{"unfocused_borders", "borders"}, 0xFCF7F4},                        // COLOR_INACTIVEBORDER
    {{"theme_bg_color"}, 0xABABAB},                                      // COLOR_APPWORKSPACE
    {{"theme_selected_bg_color"}, 0xD77800},                             // COLOR_HIGHLIGHT
    {{"theme_selected_fg_color"}, 0xFFFFFF},                             // COLOR_HIGHLIGHTTEXT
    {{"theme_bg_color"}, 0xF0F0F0},                                      // COLOR_BTNFACE
    {{"borders"}, 0xA0A0A0},                                             // COLOR_BTNSHADOW
    {{"insensitive_fg_color"}, 0x6D6D6D},                                // COLOR_GRAYTEXT
    {{"theme_fg_color"}, 0x000000},                                      // COLOR_BTNTEXT
    {{"wm_unfocused_title", "theme_unfocused_fg_color"}, 0x000000},      // COLOR_INACTIVECAPTIONTEXT
    {{"theme_base_color"}, 0xFFFFFF},                                    // COLOR_BTNHIGHLIGHT
    {{"borders"}, 0x696969},                                             // COLOR_3DDKSHADOW
    {{"theme_bg_color"}, 0xE3E3E3},                                      // COLOR_3DLIGHT
    {{"theme_tooltip_fg_color", "theme_fg_color"}, 0x000000},            // COLOR_INFOTEXT
    {{"theme_tooltip_bg_color", "theme_base_color"}, 0xE1FFFF},          // COLOR_INFOBK
    {{}, 0x000000},                                                      // (no colour)
    {{}, 0xCC6600},                                                      // COLOR_HOTLIGHT
    {{"theme_selected_bg_color"}, 0xEAD1B9},                             // COLOR_GRADIENTACTIVECAPTION
    {{"theme_unfocused_selected_bg_color", "theme_bg_color"}, 0xF2E4D7}, // COLOR_GRADIENTINACTIVECAPTION
    {{"theme_selected_bg_color"}, 0xD77800},                             // COLOR_MENUHILIGHT
    {{"theme_bg_color"}, 0xF0F0F0},                                      // COLOR_MENUBAR
}};

TColor FromRgba(const GdkRGBA& Rgba) {
    const auto channel = [](double Value) {
        return static_cast<TColor>(std::lround(std::clamp(Value, 0.0, 1.0) * 255.0));
    };
    return channel(Rgba.red) | (channel(Rgba.green) << 8) | (channel(Rgba.blue) << 16);
}

// The colour the theme gives links: a label inside a link button is drawn in it.
bool ThemeLinkColor(GdkRGBA& Rgba) {
    const TOwnedWidget owned = OwnWidget(gtk_link_button_new("vtr:"));
    GtkWidget* button = owned.get();
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(button));
    bool found = false;
    if (label != nullptr) {
        GtkStyleContext* context = gtk_widget_get_style_context(label);
        gtk_style_context_get_color(context, gtk_style_context_get_state(context), &Rgba);
        found = true;
    }
    return found;
}

bool ThemeNamedColor(const TSystemColor& Entry, GdkRGBA& Rgba) {
    const TOwnedWidget window = OwnWidget(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    GtkStyleContext* context = gtk_widget_get_style_context(window.get());
    bool found = false;
    for (const char* name : Entry.ThemeNames) {
        if (name != nullptr && gtk_style_context_lookup_color(context, name, &Rgba)) {
            found = true;
            break;
        }
    }
    return found;
}

} // namespace

TColor ColorToRGB(TColor Color) {
    if (!IsSystemColor(Color)) {
        return Color & 0x00FFFFFF;
    }
    const auto index = static_cast<std::size_t>(Color & 0xFF);
    if (index >= SystemColors.size()) {
        return clBlack;
    }
    const TSystemColor& entry = SystemColors[index];
    if (gdk_display_get_default() == nullptr) {
        return entry.Classic;
    }
    GdkRGBA rgba{};
    const bool found = index == COLOR_HOTLIGHT ? ThemeLinkColor(rgba) : ThemeNamedColor(entry, rgba);
    return found ? FromRgba(rgba) : entry.Classic;
}

} // namespace Forms
