/* The baseline of the benchmarks: a bare WebKitGTK window loading a page from disk.
 * It prints the page's own clock (epoch milliseconds) at its load event, then quits, or with
 * --stay keeps running so that its memory can be measured. */
#include <webkit2/webkit2.h>

#include <stdio.h>
#include <string.h>

static gboolean stay = FALSE;

static void on_loaded(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer data) {
    (void)manager;
    (void)data;
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    char* text = jsc_value_to_string(value);
    printf("load %s\n", text);
    fflush(stdout);
    g_free(text);
    if (!stay) {
        gtk_main_quit();
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bare_webkit URI [--stay]\n");
        return 2;
    }
    stay = argc > 2 && strcmp(argv[2], "--stay") == 0;
    gtk_init(&argc, &argv);
    WebKitUserContentManager* manager = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler(manager, "bench");
    g_signal_connect(manager, "script-message-received::bench", G_CALLBACK(on_loaded), NULL);
    WebKitUserScript* script = webkit_user_script_new(
        "window.addEventListener('load', function () {"
        " window.webkit.messageHandlers.bench.postMessage(String(performance.timeOrigin + performance.now())); });",
        WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, NULL, NULL);
    webkit_user_content_manager_add_script(manager, script);
    webkit_user_script_unref(script);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1120, 800);
    GtkWidget* view = webkit_web_view_new_with_user_content_manager(manager);
    gtk_container_add(GTK_CONTAINER(window), view);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
