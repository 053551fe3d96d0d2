#pragma once

#include "forms/Menus.h"

#include <gtk/gtk.h>

namespace Forms {

struct TMenuItem::TImpl {
    GtkWidget* Widget = nullptr; // the menu item, owned by its menu shell
    GtkWidget* Image = nullptr;
    GtkWidget* Label = nullptr; // a GtkAccelLabel: the caption, and the shortcut at the right
    GtkWidget* Submenu = nullptr;
};

struct TMainMenu::TImpl {
    // Made when the menu is first attached to a window, so that menus can exist (and be
    // built) before or without a display.
    GtkWidget* Bar = nullptr; // own reference
};

// The menu's bar, made and filled on first use.
GtkWidget* MenuBarOf(TMainMenu& Menu);

} // namespace Forms
