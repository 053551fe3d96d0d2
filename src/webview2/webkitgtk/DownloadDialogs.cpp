#include "webview2/webkitgtk/DownloadDialogs.h"

#include "base/glib/GLibPtr.h"
#include "base/glib/Signals.h"

#include <memory>
#include <utility>

namespace WebView2::WebKitGtk {

using Base::GLib::ConnectSignal;
using Base::GLib::TGString;

namespace {

constexpr const char* DoneKey = "vtr-download-done";

using TDone = std::function<void(const std::string&)>;

// Text GTK can show: a name from a page may hold any bytes.
std::string ValidUtf8(const std::string& Text) {
    const TGString valid(g_utf8_make_valid(Text.c_str(), static_cast<gssize>(Text.size())));
    return valid.get();
}

} // namespace

GtkWindow* OwnerWindowOf(GtkWidget* Widget) {
    GtkWidget* top = Widget != nullptr ? gtk_widget_get_toplevel(Widget) : nullptr;
    return top != nullptr && gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

std::string DownloadFolder() {
    const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    if (downloads != nullptr && g_file_test(downloads, G_FILE_TEST_IS_DIR)) {
        return downloads;
    }
    return g_get_home_dir();
}

void AskDownloadDestination(GtkWindow* Owner, const std::string& Name, TDone Done) {
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new("Save As", Owner, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // Never replaces a file without asking.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_folder(chooser, DownloadFolder().c_str());
    gtk_file_chooser_set_current_name(chooser, ValidUtf8(Name).c_str());

    // The dialog owns Done and calls it once: with the choice, or empty however else it goes.
    auto owned = std::make_unique<TDone>(std::move(Done));
    g_object_set_data_full(G_OBJECT(dialog), DoneKey, owned.release(), [](gpointer Data) {
        const std::unique_ptr<TDone> done(static_cast<TDone*>(Data));
        if (*done) {
            (*done)(std::string());
        }
    });
    ConnectSignal<void(GtkDialog*, gint)>(dialog, "response", [](GtkDialog* Dialog, gint Response) {
        auto* done = static_cast<TDone*>(g_object_get_data(G_OBJECT(Dialog), DoneKey));
        std::string path;
        if (Response == GTK_RESPONSE_ACCEPT) {
            const TGString chosen(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(Dialog)));
            path = chosen != nullptr ? chosen.get() : "";
        }
        const TDone call = std::exchange(*done, nullptr);
        gtk_widget_destroy(GTK_WIDGET(Dialog));
        if (call) {
            call(path);
        }
    });
    gtk_widget_show(dialog);
}

void ShowDownloadFailed(GtkWindow* Owner, const std::string& Name, const std::string& Reason) {
    GtkWidget* message =
        gtk_message_dialog_new(Owner, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR, GTK_BUTTONS_CLOSE,
                               "“%s” could not be downloaded.", ValidUtf8(Name).c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(message), "%s", ValidUtf8(Reason).c_str());
    gtk_window_set_title(GTK_WINDOW(message), "Download failed");
    ConnectSignal<void(GtkDialog*, gint)>(
        message, "response", [](GtkDialog* Dialog, gint) { gtk_widget_destroy(GTK_WIDGET(Dialog)); });
    gtk_widget_show(message);
}

} // namespace WebView2::WebKitGtk
