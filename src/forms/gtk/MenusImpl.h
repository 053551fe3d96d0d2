#pragma once

#include "forms/Menus.h"

#include <gtk/gtk.h>

namespace Forms {

struct TMenuItem::TImpl {
    GtkWidget* Widget = nullptr; // the menu item, owned by its menu shell
    GtkWidget* Image = nullptr;
    GtkWidget* Label = nullptr;
};

struct TMainMenu::TImpl {
    GtkWidget* Bar = nullptr; // own reference
};

} // namespace Forms
