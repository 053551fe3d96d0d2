#include "forms/gtk/MenusImpl.h"

#include "forms/ImageList.h"
#include "forms/gtk/ImageListGtk.h"

#include <gtk/gtk.h>

// The GTK part of the menus: a GtkMenuBar rebuilt from the items; each item is a GtkMenuItem
// holding an icon and a label with its access key.

namespace Forms {

namespace {

// "&File" → "_File", "&&" → "&", "_" → "__".
std::string Mnemonic(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

void UpdateImage(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    if (impl.Image == nullptr) {
        return;
    }
    TMainMenu* menu = item.Menu();
    TVirtualImageList* images = menu != nullptr ? menu->Images() : nullptr;
    const int scale = gtk_widget_get_scale_factor(impl.Image);
    GdkPixbuf* pixbuf =
        images != nullptr ? RenderListImage(*images, item.ImageIndex(), !item.Enabled(), scale) : nullptr;
    if (pixbuf == nullptr) {
        gtk_image_clear(GTK_IMAGE(impl.Image));
        gtk_widget_hide(impl.Image);
        return;
    }
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(pixbuf, scale, nullptr);
    gtk_image_set_from_surface(GTK_IMAGE(impl.Image), surface);
    cairo_surface_destroy(surface);
    g_object_unref(pixbuf);
    gtk_widget_show(impl.Image);
}

void OnActivate(GtkMenuItem*, gpointer Data) {
    auto* item = static_cast<TMenuItem*>(Data);
    if (item->Count() == 0) {
        item->Click();
    }
}

GtkWidget* BuildItem(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    if (item.Caption() == "-") {
        impl.Widget = gtk_separator_menu_item_new();
        impl.Image = nullptr;
        impl.Label = nullptr;
    } else {
        impl.Widget = gtk_menu_item_new();
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        impl.Image = gtk_image_new();
        impl.Label = gtk_label_new_with_mnemonic(Mnemonic(item.Caption()).c_str());
        gtk_label_set_mnemonic_widget(GTK_LABEL(impl.Label), impl.Widget);
        gtk_label_set_xalign(GTK_LABEL(impl.Label), 0.0f);
        gtk_box_pack_start(GTK_BOX(box), impl.Image, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), impl.Label, TRUE, TRUE, 0);
        gtk_widget_show(impl.Label);
        gtk_widget_show(box);
        gtk_container_add(GTK_CONTAINER(impl.Widget), box);
        UpdateImage(item);
        if (item.Count() > 0) {
            GtkWidget* submenu = gtk_menu_new();
            for (int i = 0; i < item.Count(); ++i) {
                gtk_menu_shell_append(GTK_MENU_SHELL(submenu), BuildItem(*item.Items(i)));
            }
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(impl.Widget), submenu);
        }
        g_signal_connect(impl.Widget, "activate", G_CALLBACK(OnActivate), &item);
    }
    gtk_widget_set_sensitive(impl.Widget, item.Enabled());
    gtk_widget_show(impl.Widget);
    g_signal_connect(impl.Widget, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer Data) {
                         TMenuItem::TImpl& i = static_cast<TMenuItem*>(Data)->Impl();
                         i = TMenuItem::TImpl{};
                     }),
                     &item);
    return impl.Widget;
}

void ForgetWidgets(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    if (impl.Widget != nullptr) {
        g_signal_handlers_disconnect_by_data(impl.Widget, &item);
    }
    impl = TMenuItem::TImpl{};
    for (int i = 0; i < item.Count(); ++i) {
        ForgetWidgets(*item.Items(i));
    }
}

} // namespace

TMenuItem::TMenuItem() : FImpl(std::make_unique<TImpl>()) {}

TMenuItem::~TMenuItem() {
    ForgetWidgets(*this);
}

TMainMenu* TMenuItem::Menu() const {
    const TMenuItem* root = this;
    while (root->FParent != nullptr) {
        root = root->FParent;
    }
    return root->FMenu;
}

void TMenuItem::SetCaption(const std::string& Value) {
    const bool kindChanged = (Value == "-") != (FCaption == "-");
    FCaption = Value;
    if (kindChanged) {
        Changed();
    } else if (FImpl->Label != nullptr) {
        gtk_label_set_text_with_mnemonic(GTK_LABEL(FImpl->Label), Mnemonic(Value).c_str());
    }
}

void TMenuItem::SetEnabled(bool Value) {
    FEnabled = Value;
    if (FImpl->Widget != nullptr) {
        gtk_widget_set_sensitive(FImpl->Widget, Value);
        UpdateImage(*this);
    }
}

void TMenuItem::SetImageIndex(int Value) {
    FImageIndex = Value;
    UpdateImage(*this);
}

TMenuItem* TMenuItem::Add(std::unique_ptr<TMenuItem> Item) {
    Item->FParent = this;
    FItems.push_back(std::move(Item));
    return FItems.back().get();
}

void TMenuItem::Clear() {
    for (auto& item : FItems) {
        ForgetWidgets(*item);
    }
    FItems.clear();
    Changed();
}

void TMenuItem::Click() {
    if (OnClick) {
        OnClick(this);
    }
}

void TMenuItem::Changed() {
    if (TMainMenu* menu = Menu(); menu != nullptr) {
        menu->Rebuild();
    }
}

TMainMenu::TMainMenu() : FImpl(std::make_unique<TImpl>()), FItems(std::make_unique<TMenuItem>()) {
    FItems->FMenu = this;
}

GtkWidget* MenuBarOf(TMainMenu& Menu) {
    TMainMenu::TImpl& impl = Menu.Impl();
    if (impl.Bar == nullptr) {
        impl.Bar = GTK_WIDGET(g_object_ref_sink(gtk_menu_bar_new()));
        Menu.Rebuild();
    }
    return impl.Bar;
}

TMainMenu::~TMainMenu() {
    ForgetWidgets(*FItems);
    FItems.reset();
    if (FImpl->Bar == nullptr) {
        return;
    }
    if (GtkWidget* parent = gtk_widget_get_parent(FImpl->Bar)) {
        gtk_container_remove(GTK_CONTAINER(parent), FImpl->Bar);
    }
    gtk_widget_destroy(FImpl->Bar);
    g_object_unref(FImpl->Bar);
}

void TMainMenu::SetImages(TVirtualImageList* Value) {
    FImages = Value;
    Rebuild();
}

void TMainMenu::Rebuild() {
    for (int i = 0; i < FItems->Count(); ++i) {
        ForgetWidgets(*FItems->Items(i));
    }
    if (FImpl->Bar == nullptr) {
        return;
    }
    GList* children = gtk_container_get_children(GTK_CONTAINER(FImpl->Bar));
    for (GList* c = children; c != nullptr; c = c->next) {
        gtk_widget_destroy(GTK_WIDGET(c->data));
    }
    g_list_free(children);
    for (int i = 0; i < FItems->Count(); ++i) {
        gtk_menu_shell_append(GTK_MENU_SHELL(FImpl->Bar), BuildItem(*FItems->Items(i)));
    }
    gtk_widget_show(FImpl->Bar);
}

} // namespace Forms
