#include "webview2/webkitgtk/Engine.h"

#include "base/glib/GuiPost.h"

// Printing the page from the keyboard: the print dialog, owned by the browser's window.

namespace WebView2::WebKitGtk {

void TBrowser::PrintLater() {
    if (FPrinting) {
        return; // one print dialog at a time
    }
    FPrinting = true;
    // Not inside the key's signal: the dialog runs its own loop until it closes.
    Base::GLib::PostToGuiThread([browser = ComPtr<TBrowser>(this)] {
        if (browser->Alive()) {
            GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(browser->View()));
            const auto operation =
                TGObjectPtr<WebKitPrintOperation>::Adopt(webkit_print_operation_new(browser->View()));
            webkit_print_operation_run_dialog(operation.Get(),
                                              gtk_widget_is_toplevel(top) ? GTK_WINDOW(top) : nullptr);
        }
        browser->FPrinting = false;
    });
}

} // namespace WebView2::WebKitGtk
