#pragma once

#include "forms/Menus.h"
#include "forms/gtk/OwnedWidget.h"

#include <gtk/gtk.h>

#include <utility>
#include <vector>

namespace Forms {

struct TMenuItem::TImpl {
    GtkWidget* Widget = nullptr; // the menu item, owned by its menu shell
    GtkWidget* Image = nullptr;
    GtkWidget* Label = nullptr; // a GtkAccelLabel: the caption, and the shortcut at the right
    GtkWidget* Submenu = nullptr;
    // The item's handlers on Widget and Image, disconnected when the item lets go of them.
    std::vector<std::pair<GtkWidget*, gulong>> Handlers;
};

struct TMainMenu::TImpl {
    // Made when the menu is first attached to a window, so that menus can exist (and be
    // built) before or without a display.
    TOwnedWidget Bar;
};

// The menu's bar, made and filled on first use.
GtkWidget* MenuBarOf(TMainMenu& Menu);

} // namespace Forms
