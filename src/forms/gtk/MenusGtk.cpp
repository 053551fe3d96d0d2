#include "forms/gtk/MenusImpl.h"

#include "forms/Forms.h"
#include "forms/ImageList.h"
#include "forms/gtk/ImageListGtk.h"

#include "base/VirtualKeys.h"
#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <cctype>

// The GTK part of the menus: a GtkMenuBar rebuilt from the items; each item is a GtkMenuItem
// holding an icon and a label with its access key and shortcut.

namespace Forms {

namespace {

constexpr int IconSpacing = 6;

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

bool IsTopLevel(const TMenuItem& item) {
    return item.Parent() != nullptr && item.Parent()->Parent() == nullptr;
}

void UpdateImage(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    if (impl.Image == nullptr) {
        return;
    }
    TMainMenu* menu = item.Menu();
    TVirtualImageList* images = menu != nullptr ? menu->Images() : nullptr;
    const int scale = gtk_widget_get_scale_factor(impl.Image);
    const auto pixbuf = images != nullptr
                            ? RenderListImage(*images, item.ImageIndex(), !item.Enabled(), scale)
                            : Base::GLib::TGObjectPtr<GdkPixbuf>();
    if (!pixbuf) {
        gtk_image_clear(GTK_IMAGE(impl.Image));
        // Items in a drop-down menu keep the icon column, so that their captions line up.
        gtk_widget_set_visible(impl.Image, !IsTopLevel(item));
        return;
    }
    const Base::GLib::TOwned<cairo_surface_t, cairo_surface_destroy> surface(
        gdk_cairo_surface_create_from_pixbuf(pixbuf.Get(), scale, nullptr));
    gtk_image_set_from_surface(GTK_IMAGE(impl.Image), surface.get());
    gtk_widget_show(impl.Image);
}

void UpdateShortCut(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    if (impl.Label == nullptr) {
        return;
    }
    const TShortCut shortCut = item.ShortCut();
    // GDK key values are the X11 key symbols of the table.
    const guint key = Base::KeySymOfVirtualKey(shortCut & 0xFFFF);
    unsigned mods = 0;
    mods |= (shortCut & scShift) != 0 ? GDK_SHIFT_MASK : 0;
    mods |= (shortCut & scCtrl) != 0 ? GDK_CONTROL_MASK : 0;
    mods |= (shortCut & scAlt) != 0 ? GDK_MOD1_MASK : 0;
    gtk_accel_label_set_accel(GTK_ACCEL_LABEL(impl.Label), key, static_cast<GdkModifierType>(mods));
}

void UpdateAll(TMenuItem& item) {
    UpdateImage(item);
    for (int i = 0; i < item.Count(); ++i) {
        UpdateAll(*item.Items(i));
    }
}

// Connects a handler of the item's on Widget, kept so that the item can let go of it.
template <class Signature, class F>
void ConnectItemSignal(TMenuItem& Item, GtkWidget* Widget, const char* Signal, F&& Handler) {
    Item.Impl().Handlers.emplace_back(
        Widget, Base::GLib::ConnectSignal<Signature>(Widget, Signal, std::forward<F>(Handler)));
}

GtkWidget* BuildItem(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    impl = TMenuItem::TImpl{};
    if (item.Caption() == "-") {
        impl.Widget = gtk_separator_menu_item_new();
    } else {
        impl.Widget = gtk_menu_item_new();
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, IconSpacing);
        impl.Image = gtk_image_new();
        gtk_widget_set_size_request(impl.Image, 16, 16);
        gtk_widget_set_valign(impl.Image, GTK_ALIGN_CENTER);
        impl.Label = gtk_accel_label_new("");
        gtk_label_set_text_with_mnemonic(GTK_LABEL(impl.Label), Mnemonic(item.Caption()).c_str());
        gtk_label_set_mnemonic_widget(GTK_LABEL(impl.Label), impl.Widget);
        gtk_label_set_xalign(GTK_LABEL(impl.Label), 0.0f);
        gtk_box_pack_start(GTK_BOX(box), impl.Image, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), impl.Label, TRUE, TRUE, 0);
        gtk_widget_show(impl.Label);
        gtk_widget_show(box);
        gtk_container_add(GTK_CONTAINER(impl.Widget), box);
        UpdateImage(item);
        UpdateShortCut(item);
        ConnectItemSignal<void(GObject*, GParamSpec*)>(item, impl.Image, "notify::scale-factor",
                                                       [&item](GObject*, GParamSpec*) { UpdateImage(item); });
        if (item.Count() > 0) {
            impl.Submenu = gtk_menu_new();
            for (int i = 0; i < item.Count(); ++i) {
                gtk_menu_shell_append(GTK_MENU_SHELL(impl.Submenu), BuildItem(*item.Items(i)));
            }
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(impl.Widget), impl.Submenu);
        }
        ConnectItemSignal<void(GtkMenuItem*)>(item, impl.Widget, "activate", [&item](GtkMenuItem*) {
            if (item.Count() == 0) {
                item.Click();
            }
        });
    }
    gtk_widget_set_sensitive(impl.Widget, item.Enabled());
    gtk_widget_show(impl.Widget);
    // The widgets are gone: their handlers went with them.
    ConnectItemSignal<void(GtkWidget*)>(item, impl.Widget, "destroy",
                                        [&item](GtkWidget*) { item.Impl() = TMenuItem::TImpl{}; });
    return impl.Widget;
}

// Detaches the items from their widgets (which are about to go, or have gone with the bar).
void ForgetWidgets(TMenuItem& item) {
    TMenuItem::TImpl& impl = item.Impl();
    for (const auto& [widget, handler] : impl.Handlers) {
        g_signal_handler_disconnect(widget, handler);
    }
    impl = TMenuItem::TImpl{};
    for (int i = 0; i < item.Count(); ++i) {
        ForgetWidgets(*item.Items(i));
    }
}

// The first enabled command (in menu order) whose shortcut is ShortCut.
TMenuItem* FindShortCut(TMenuItem& item, TShortCut ShortCut) {
    for (int i = 0; i < item.Count(); ++i) {
        TMenuItem* child = item.Items(i);
        if (!child->Enabled() || child->Caption() == "-") {
            continue;
        }
        if (child->Count() == 0 && child->ShortCut() == ShortCut) {
            return child;
        }
        if (TMenuItem* found = FindShortCut(*child, ShortCut)) {
            return found;
        }
    }
    return nullptr;
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

void TMenuItem::SetShortCut(TShortCut Value) {
    FShortCut = Value;
    UpdateShortCut(*this);
}

char TMenuItem::AccessKey() const {
    for (std::size_t i = 0; i + 1 < FCaption.size(); ++i) {
        if (FCaption[i] != '&') {
            continue;
        }
        const char next = FCaption[i + 1];
        if (next == '&') {
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(next);
        return std::isalnum(c) != 0 && c < 0x80 ? static_cast<char>(std::toupper(c)) : '\0';
    }
    return '\0';
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
        impl.Bar = OwnWidget(gtk_menu_bar_new());
        Menu.Rebuild();
    }
    return impl.Bar.get();
}

TMainMenu::~TMainMenu() {
    if (FImpl->Bar != nullptr) {
        // An open menu closes while the bar is still in its window.
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(FImpl->Bar.get()));
    }
    if (FForm != nullptr) {
        FForm->SetMenu(nullptr);
    }
    if (FImages != nullptr) {
        FImages->OnChange = nullptr;
    }
    ForgetWidgets(*FItems);
    FItems.reset();
    if (FImpl->Bar == nullptr) {
        return;
    }
    if (GtkWidget* parent = gtk_widget_get_parent(FImpl->Bar.get())) {
        gtk_container_remove(GTK_CONTAINER(parent), FImpl->Bar.get());
    }
    FImpl->Bar.reset();
}

void TMainMenu::SetImages(TVirtualImageList* Value) {
    if (FImages != nullptr) {
        FImages->OnChange = nullptr;
    }
    FImages = Value;
    if (FImages != nullptr) {
        FImages->OnChange = [this](TObject*) { ImagesChanged(); };
    }
    Rebuild();
}

void TMainMenu::ImagesChanged() {
    UpdateAll(*FItems);
}

void TMainMenu::Rebuild() {
    for (int i = 0; i < FItems->Count(); ++i) {
        ForgetWidgets(*FItems->Items(i));
    }
    if (FImpl->Bar == nullptr) {
        return;
    }
    // A menu open while its items are replaced closes first.
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(FImpl->Bar.get()));
    const Base::GLib::TGList children(gtk_container_get_children(GTK_CONTAINER(FImpl->Bar.get())));
    for (GList* c = children.get(); c != nullptr; c = c->next) {
        gtk_widget_destroy(GTK_WIDGET(c->data));
    }
    for (int i = 0; i < FItems->Count(); ++i) {
        gtk_menu_shell_append(GTK_MENU_SHELL(FImpl->Bar.get()), BuildItem(*FItems->Items(i)));
    }
    gtk_widget_show(FImpl->Bar.get());
}

bool TMainMenu::IsShortCut(const TKeyMessage& Message) {
    if (Message.Msg != WM_KEYDOWN && Message.Msg != WM_SYSKEYDOWN) {
        return false;
    }
    const auto key = static_cast<unsigned>(Message.WParam & 0xFFFF);
    if (key == 0 || key == 0x10 || key == 0x11 || key == 0x12) {
        return false; // a modifier on its own
    }
    TShortCut shortCut = key;
    // The modifiers held with the key; Alt also as the message tells it (a system key).
    GdkModifierType state{};
    if (gtk_get_current_event_state(&state)) {
        shortCut |= (state & GDK_SHIFT_MASK) != 0 ? scShift : 0;
        shortCut |= (state & GDK_CONTROL_MASK) != 0 ? scCtrl : 0;
        shortCut |= (state & GDK_MOD1_MASK) != 0 ? scAlt : 0;
    }
    if (Message.Msg == WM_SYSKEYDOWN || (Message.LParam & (std::intptr_t{1} << 29)) != 0) {
        shortCut |= scAlt;
    }
    if (TMenuItem* item = FindShortCut(*FItems, shortCut)) {
        item->Click();
        return true;
    }
    if ((shortCut & (scAlt | scCtrl)) != scAlt) {
        return false;
    }
    for (int i = 0; i < FItems->Count(); ++i) {
        TMenuItem& item = *FItems->Items(i);
        if (!item.Enabled() || item.AccessKey() != static_cast<char>(key)) {
            continue;
        }
        GtkWidget* widget = item.Impl().Widget;
        if (widget != nullptr && gtk_widget_get_mapped(widget)) {
            // As the window's own access-key handling does: opens the item's menu, or runs it.
            gtk_widget_mnemonic_activate(widget, FALSE);
        } else if (item.Count() == 0) {
            item.Click();
        }
        return true;
    }
    return false;
}

} // namespace Forms
