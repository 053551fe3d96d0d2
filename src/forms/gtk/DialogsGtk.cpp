#include "forms/Application.h"
#include "forms/Dialogs.h"
#include "forms/gtk/FormImpl.h"
#include "forms/gtk/OwnedWidget.h"

#include "base/glib/Signals.h"

#include <array>

namespace Forms {

namespace {

struct TButtonKind {
    TMsgDlgBtn Button;
    TModalResult Result;
    const char* Caption;
};

// The fixed order of the standard buttons with their results and standard captions.
constexpr std::array<TButtonKind, 12> ButtonKinds = {{
    {mbYes, mrYes, "_Yes"},
    {mbNo, mrNo, "_No"},
    {mbOK, mrOk, "OK"},
    {mbCancel, mrCancel, "Cancel"},
    {mbAbort, mrAbort, "_Abort"},
    {mbRetry, mrRetry, "_Retry"},
    {mbIgnore, mrIgnore, "_Ignore"},
    {mbAll, mrAll, "_All"},
    {mbNoToAll, mrNoToAll, "N_o to All"},
    {mbYesToAll, mrYesToAll, "Yes to _All"},
    {mbHelp, mrHelp, "_Help"},
    {mbClose, mrClose, "_Close"},
}};

} // namespace

struct TMessageDialog::TImpl {
    TOwnedWidget Owned;
    GtkWidget* Dialog = nullptr; // Owned
    std::vector<GtkWidget*> Buttons;
    std::vector<TModalResult> Results;
    bool HasCancel = false;
};

TMessageDialog::TMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons)
    : FImpl(std::make_unique<TImpl>()) {
    GtkMessageType type = GTK_MESSAGE_OTHER;
    const char* icon = nullptr;
    switch (DlgType) {
    case mtWarning:
        type = GTK_MESSAGE_WARNING;
        icon = "dialog-warning";
        break;
    case mtError:
        type = GTK_MESSAGE_ERROR;
        icon = "dialog-error";
        break;
    case mtInformation:
        type = GTK_MESSAGE_INFO;
        icon = "dialog-information";
        break;
    case mtConfirmation:
        type = GTK_MESSAGE_QUESTION;
        icon = "dialog-question";
        break;
    case mtCustom:
        type = GTK_MESSAGE_OTHER;
        break;
    }
    TForm* owner = Application().ActiveForm();
    GtkWindow* parent = owner != nullptr ? owner->FormImpl().Window : nullptr;
    GtkWidget* dialog =
        gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE, "%s", Msg.c_str());
    FImpl->Owned = OwnWidget(dialog);
    FImpl->Dialog = dialog;
    // GTK 3 message dialogs show no icon of their own; the type's icon goes before the text.
    GtkWidget* messageArea = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    GtkWidget* row = gtk_widget_get_parent(messageArea);
    if (icon != nullptr && row != nullptr && GTK_IS_BOX(row)) {
        GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
        gtk_widget_set_valign(image, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
        gtk_box_reorder_child(GTK_BOX(row), image, 0);
        gtk_widget_show(image);
    }
    for (const TButtonKind& kind : ButtonKinds) {
        if ((Buttons & kind.Button) == 0) {
            continue;
        }
        FImpl->Buttons.push_back(gtk_dialog_add_button(GTK_DIALOG(dialog), kind.Caption, kind.Result));
        FImpl->Results.push_back(kind.Result);
        FImpl->HasCancel = FImpl->HasCancel || kind.Button == mbCancel;
    }
    if ((Buttons & mbOK) != 0) {
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), mrOk);
    } else if ((Buttons & mbYes) != 0) {
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), mrYes);
    }
    // Esc emits "close"; without a Cancel button it must do nothing.
    Base::GLib::ConnectSignal<void(GtkDialog*)>(dialog, "close", [impl = FImpl.get()](GtkDialog* d) {
        g_signal_stop_emission_by_name(d, "close");
        if (impl->HasCancel) {
            gtk_dialog_response(d, mrCancel);
        }
    });
}

TMessageDialog::~TMessageDialog() = default;

void TMessageDialog::SetTitle(const std::string& Title) {
    gtk_window_set_title(GTK_WINDOW(FImpl->Dialog), Title.c_str());
}

int TMessageDialog::ButtonCount() const {
    return static_cast<int>(FImpl->Buttons.size());
}

std::string TMessageDialog::ButtonCaption(int Index) const {
    if (Index < 0 || Index >= ButtonCount()) {
        return {};
    }
    return gtk_button_get_label(GTK_BUTTON(FImpl->Buttons[static_cast<std::size_t>(Index)]));
}

void TMessageDialog::SetButtonCaption(int Index, const std::string& Caption) {
    if (Index < 0 || Index >= ButtonCount()) {
        return;
    }
    GtkButton* button = GTK_BUTTON(FImpl->Buttons[static_cast<std::size_t>(Index)]);
    gtk_button_set_use_underline(button, FALSE);
    gtk_button_set_label(button, Caption.c_str());
}

TModalResult TMessageDialog::ButtonResult(int Index) const {
    if (Index < 0 || Index >= ButtonCount()) {
        return mrNone;
    }
    return FImpl->Results[static_cast<std::size_t>(Index)];
}

TModalResult TMessageDialog::ShowModal() {
    gtk_window_set_position(GTK_WINDOW(FImpl->Dialog), GTK_WIN_POS_CENTER);
    const gint response = gtk_dialog_run(GTK_DIALOG(FImpl->Dialog));
    gtk_widget_hide(FImpl->Dialog);
    // The close box (and anything else that ends the dialog) answers Cancel.
    return response > 0 ? static_cast<TModalResult>(response) : mrCancel;
}

void TMessageDialog::Press(TModalResult Result) {
    gtk_dialog_response(GTK_DIALOG(FImpl->Dialog), Result);
}

} // namespace Forms
