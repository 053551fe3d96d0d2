/* The baseline of the benchmarks: a bare WebKitGTK window loading a page from disk.
 * It prints the page's own clock (epoch milliseconds) at its load event, then quits, or with
 * --stay keeps running so that its memory can be measured.
 * --reports: no load message; every benchReport(text) of the page prints "report <text>" and the
 *            window stays (pages that measure themselves).
 * --file-access: the page may fetch files beside it, as a browser opened on a folder does.
 * --bridge FILE: FILE (the bridge's client script) runs in the page over a bare echo that answers
 *            every call at once, as the host answers vtr.hello(). */
#include <webkit2/webkit2.h>

#include <stdio.h>
#include <string.h>

static gboolean stay = FALSE;
static gboolean reports = FALSE;

static void on_report(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer data) {
    (void)manager;
    (void)data;
    char* text = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
    printf("report %s\n", text);
    fflush(stdout);
    g_free(text);
}

static void on_echo(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer view) {
    (void)manager;
    JSCValue* uuid = jsc_value_object_get_property(webkit_javascript_result_get_js_value(result), "uuid");
    char* text = jsc_value_to_string(uuid);
    char* script = g_strdup_printf("window.__reply({uuid: '%s', success: true, result: '2022.4'})", text);
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view), script, -1, NULL, NULL, NULL, NULL, NULL);
    g_free(script);
    g_free(text);
    g_object_unref(uuid);
}

static void add_script(WebKitUserContentManager* manager, const char* source) {
    WebKitUserScript* script = webkit_user_script_new(source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, NULL, NULL);
    webkit_user_content_manager_add_script(manager, script);
    webkit_user_script_unref(script);
}

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
        fprintf(stderr, "usage: bare_webkit URI [--stay] [--reports] [--file-access] [--bridge FILE]\n");
        return 2;
    }
    gboolean file_access = FALSE;
    const char* bridge = NULL;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--stay") == 0) {
            stay = TRUE;
        } else if (strcmp(argv[i], "--reports") == 0) {
            reports = TRUE;
        } else if (strcmp(argv[i], "--file-access") == 0) {
            file_access = TRUE;
        } else if (strcmp(argv[i], "--bridge") == 0 && i + 1 < argc) {
            bridge = argv[++i];
        }
    }
    gtk_init(&argc, &argv);
    WebKitUserContentManager* manager = webkit_user_content_manager_new();
    GtkWidget* view = webkit_web_view_new_with_user_content_manager(manager);
    if (reports) {
        webkit_user_content_manager_register_script_message_handler(manager, "report");
        g_signal_connect(manager, "script-message-received::report", G_CALLBACK(on_report), NULL);
        add_script(manager, "window.benchReport = function (text) {"
                            " window.webkit.messageHandlers.report.postMessage(String(text)); };");
    } else {
        webkit_user_content_manager_register_script_message_handler(manager, "bench");
        g_signal_connect(manager, "script-message-received::bench", G_CALLBACK(on_loaded), NULL);
        add_script(manager, "window.addEventListener('load', function () {"
                            " window.webkit.messageHandlers.bench.postMessage("
                            "String(performance.timeOrigin + performance.now())); });");
    }
    if (bridge != NULL) {
        char* source = NULL;
        if (!g_file_get_contents(bridge, &source, NULL, NULL)) {
            fprintf(stderr, "bare_webkit: cannot read %s\n", bridge);
            return 1;
        }
        webkit_user_content_manager_register_script_message_handler(manager, "echo");
        g_signal_connect(manager, "script-message-received::echo", G_CALLBACK(on_echo), view);
        add_script(manager, "(() => { const target = new EventTarget();"
                            " window.chrome = { webview: {"
                            " postMessage: (m) => window.webkit.messageHandlers.echo.postMessage(m),"
                            " addEventListener: (n, f) => target.addEventListener(n, f),"
                            " removeEventListener: (n, f) => target.removeEventListener(n, f) } };"
                            " window.__reply = (data) => target.dispatchEvent(new MessageEvent('message', { data }));"
                            " })();");
        /* The client script's file starts with a byte-order mark. */
        add_script(manager, g_str_has_prefix(source, "\xEF\xBB\xBF") ? source + 3 : source);
        g_free(source);
    }
    if (file_access) {
        webkit_settings_set_allow_file_access_from_file_urls(webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view)),
                                                             TRUE);
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1120, 800);
    gtk_container_add(GTK_CONTAINER(window), view);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
