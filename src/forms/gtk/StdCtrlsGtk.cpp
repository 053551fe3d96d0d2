#include "forms/StdCtrls.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/ImageListGtk.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"

#include <string>

// The edit box is a GtkEntry. Its layout height is what the form asks for: the theme's
// minimum height and vertical padding are dropped, so a classic 21-pixel box stays 21 pixels.

namespace Forms {

struct TEdit::TEditImpl {
    Base::GLib::TGObjectPtr<GtkCssProvider> Css;
};

namespace {

gboolean OnEditKey(TEdit* edit, const GdkEventKey* Event) {
    const bool press = Event->type == GDK_KEY_PRESS;
    const TKeyEvent& handler = press ? edit->OnKeyDown : edit->OnKeyUp;
    if (!handler) {
        return FALSE;
    }
    unsigned key = VirtualKeyOf(Event);
    // A key without a virtual-key code (a letter of another script) still reaches the handler.
    handler(edit, key, ShiftStateOf(Event));
    return press && key == 0 && VirtualKeyOf(Event) != 0 ? TRUE : FALSE;
}

} // namespace

TEdit::TEdit() : FEditImpl(std::make_unique<TEditImpl>()) {
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

TEdit::~TEdit() {
    if (HandleAllocated()) {
        DestroyWnd();
    }
}

TNativeWidget* TEdit::CreateNativeWidget(TNativeWidget*& ClientArea) {
    ClientArea = nullptr;
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), FText.c_str());
    using Base::GLib::ConnectSignal;
    const auto onKey = [this](GtkWidget*, GdkEventKey* Event) { return OnEditKey(this, Event); };
    ConnectSignal<gboolean(GtkWidget*, GdkEventKey*)>(entry, "key-press-event", onKey);
    ConnectSignal<gboolean(GtkWidget*, GdkEventKey*)>(entry, "key-release-event", onKey);
    ConnectSignal<void(GtkEditable*)>(entry, "changed", [this](GtkEditable*) {
        if (OnChange) {
            OnChange(this);
        }
    });
    ConnectSignal<void(GtkEntry*, GtkEntryIconPosition, GdkEvent*)>(
        entry, "icon-press", [this](GtkEntry*, GtkEntryIconPosition Position, GdkEvent*) {
            if (Position == GTK_ENTRY_ICON_PRIMARY && OnLeftButtonClick) {
                OnLeftButtonClick(this);
            }
        });
    return FromGtk(entry);
}

void TEdit::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyAppearance();
    ApplyLeftButton();
}

void TEdit::DestroyWnd() {
    FText = Text();
    TWinControl::DestroyWnd();
}

std::string TEdit::Text() const {
    if (!HandleAllocated()) {
        return FText;
    }
    return gtk_entry_get_text(GTK_ENTRY(ToGtk(const_cast<TEdit*>(this)->Handle())));
}

void TEdit::SetText(const std::string& Value) {
    FText = Value;
    if (HandleAllocated()) {
        gtk_entry_set_text(GTK_ENTRY(ToGtk(Handle())), Value.c_str());
    }
}

void TEdit::SetPasswordChar(char Value) {
    FPasswordChar = Value;
    ApplyAppearance();
}

void TEdit::SetFont(const TFont& Value) {
    FFont = Value;
    ApplyAppearance();
}

void TEdit::SetImages(TVirtualImageList* Value) {
    FImages = Value;
    ApplyLeftButton();
}

void TEdit::SetLeftButton(const TEditButton& Value) {
    FLeftButton = Value;
    ApplyLeftButton();
}

void TEdit::ApplyAppearance() {
    if (!HandleAllocated()) {
        return;
    }
    GtkEntry* entry = GTK_ENTRY(ToGtk(Handle()));
    if (FPasswordChar != '\0') {
        gtk_entry_set_visibility(entry, FALSE);
        gtk_entry_set_invisible_char(entry, static_cast<gunichar>(static_cast<unsigned char>(FPasswordChar)));
        gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_PASSWORD);
    } else {
        gtk_entry_set_visibility(entry, TRUE);
        gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_FREE_FORM);
    }
    std::string css = "entry { min-height: 0; padding-top: 0; padding-bottom: 0;";
    if (!FFont.Name.empty()) {
        // The layout's family first; the theme's font where this system has no such family.
        const Base::GLib::TGString quoted(g_strescape(FFont.Name.c_str(), nullptr));
        css += " font-family: \"" + std::string(quoted.get()) + "\", sans-serif;";
    }
    if (FFont.Height != 0) {
        // A negative height is the characters' own (the em size); a positive one includes the
        // line's leading, which is about a fifth of it.
        const int pixels = FFont.Height < 0 ? -FFont.Height : FFont.Height * 4 / 5;
        css += " font-size: " + std::to_string(pixels) + "px;";
    }
    css += " } entry image.left { margin-left: 0; margin-right: 4px; }";
    GtkStyleContext* context = gtk_widget_get_style_context(GTK_WIDGET(entry));
    if (FEditImpl->Css) {
        gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(FEditImpl->Css.Get()));
    }
    FEditImpl->Css = Base::GLib::TGObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(FEditImpl->Css.Get(), css.c_str(), -1, nullptr);
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(FEditImpl->Css.Get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void TEdit::ApplyLeftButton() {
    if (!HandleAllocated()) {
        return;
    }
    GtkEntry* entry = GTK_ENTRY(ToGtk(Handle()));
    Base::GLib::TGObjectPtr<GdkPixbuf> image;
    if (FLeftButton.Visible && FImages != nullptr) {
        image = RenderListImage(*FImages, FLeftButton.ImageIndex, false, 1);
    }
    gtk_entry_set_icon_from_pixbuf(entry, GTK_ENTRY_ICON_PRIMARY, image.Get());
    if (image) {
        gtk_entry_set_icon_activatable(entry, GTK_ENTRY_ICON_PRIMARY, TRUE);
    }
}

} // namespace Forms
