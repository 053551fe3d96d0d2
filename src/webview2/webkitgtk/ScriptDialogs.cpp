#include "webview2/webkitgtk/Engine.h"

#include "base/glib/Signals.h"

#include <memory>
#include <string>

// The browser's own script dialogs (alert, confirm, prompt, leaving a page): native dialogs
// owned by the browser's window and captioned with the page's address as the host knows it.
// WebKit's built-in ones would show the engine's scheme.

namespace WebView2::WebKitGtk {

namespace {

using TScriptDialogRef = Base::GLib::TOwned<WebKitScriptDialog, webkit_script_dialog_unref>;

constexpr const char* OpenDialogKey = "vtr-script-dialog";

// What an open dialog answers WebKit: once, however its window goes.
class TOpenScriptDialog {
public:
    TOpenScriptDialog(WebKitScriptDialog* Dialog, GtkWidget* Entry)
        : FDialog(webkit_script_dialog_ref(Dialog)), FEntry(Entry) {}
    TOpenScriptDialog(const TOpenScriptDialog&) = delete;
    TOpenScriptDialog& operator=(const TOpenScriptDialog&) = delete;
    ~TOpenScriptDialog() { Answer(false); }

    void Answer(bool Accepted) {
        if (!FDialog) {
            return;
        }
        const TScriptDialogRef dialog = std::move(FDialog);
        switch (webkit_script_dialog_get_dialog_type(dialog.get())) {
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog.get(), Accepted);
            break;
        case WEBKIT_SCRIPT_DIALOG_PROMPT:
            if (Accepted && FEntry != nullptr) { // otherwise prompt() gives null
                webkit_script_dialog_prompt_set_text(dialog.get(), gtk_entry_get_text(GTK_ENTRY(FEntry)));
            }
            break;
        default:
            break;
        }
        webkit_script_dialog_close(dialog.get());
    }

private:
    TScriptDialogRef FDialog;
    GtkWidget* FEntry; // the prompt's text field, inside the dialog (null for the others)
};

// The caption names the page by the address the host gave it, never the engine's scheme.
std::string ScriptDialogCaption(const std::string& PageUri) {
    return "JavaScript - " + PageUri;
}

} // namespace

bool TBrowser::ShowScriptDialog(WebKitScriptDialog* Dialog) {
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(View()));
    GtkWindow* owner = gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(Dialog);
    const bool leaving = type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM;
    const char* message = webkit_script_dialog_get_message(Dialog);

    GtkWidget* window = gtk_message_dialog_new(
        owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        type == WEBKIT_SCRIPT_DIALOG_ALERT ? GTK_MESSAGE_INFO : GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s",
        leaving ? "Leave this page?" : (message != nullptr ? message : ""));
    gtk_window_set_title(GTK_WINDOW(window), ScriptDialogCaption(CurrentSource()).c_str());
    if (leaving) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(window), "%s",
                                                 "Changes you made may not be saved.");
        gtk_dialog_add_buttons(GTK_DIALOG(window), "_Stay", GTK_RESPONSE_CANCEL, "_Leave", GTK_RESPONSE_OK,
                               nullptr);
    } else if (type == WEBKIT_SCRIPT_DIALOG_ALERT) {
        gtk_dialog_add_button(GTK_DIALOG(window), "_OK", GTK_RESPONSE_OK);
    } else {
        gtk_dialog_add_buttons(GTK_DIALOG(window), "_Cancel", GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK,
                               nullptr);
    }
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);

    GtkWidget* entry = nullptr;
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
        entry = gtk_entry_new();
        const char* text = webkit_script_dialog_prompt_get_default_text(Dialog);
        gtk_entry_set_text(GTK_ENTRY(entry), text != nullptr ? text : "");
        gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
        gtk_container_add(GTK_CONTAINER(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(window))),
                          entry);
    }

    // The window owns the answer: closing it any way answers the page (a refusal, unless OK).
    auto open = std::make_unique<TOpenScriptDialog>(Dialog, entry);
    g_object_set_data_full(G_OBJECT(window), OpenDialogKey, open.release(), [](gpointer Data) {
        const std::unique_ptr<TOpenScriptDialog> owned(static_cast<TOpenScriptDialog*>(Data));
    });
    Base::GLib::ConnectSignal<void(GtkDialog*, gint)>(
        window, "response", [](GtkDialog* Window, gint Response) {
            static_cast<TOpenScriptDialog*>(g_object_get_data(G_OBJECT(Window), OpenDialogKey))
                ->Answer(Response == GTK_RESPONSE_OK);
            gtk_widget_destroy(GTK_WIDGET(Window));
        });
    gtk_widget_show_all(window);
    if (entry != nullptr) {
        gtk_widget_grab_focus(entry);
    }
    return true;
}

} // namespace WebView2::WebKitGtk
