#include "webview2/webkitgtk/Downloads.h"
#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/MediaServer.h"
#include "webview2/webkitgtk/Scheme.h"

#include "webview2/UriMapping.h"

#include <dlfcn.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace WebView2::WebKitGtk {

namespace {

// The folder the library containing Symbol was loaded from, and its full path.
bool LibraryPathOf(const void* Symbol, std::string& Path) {
    Dl_info info{};
    if (dladdr(Symbol, &info) == 0 || info.dli_fname == nullptr) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(info.dli_fname, error);
    if (error) {
        return false;
    }
    Path = real.string();
    return true;
}

// A folder only the user may enter, made if missing; an existing one of the user's is closed to
// others. False when it cannot be made or is not a folder of the user's.
bool MakePrivateFolder(const std::string& Folder) {
    if (g_mkdir_with_parents(Folder.c_str(), 0700) != 0) {
        return false;
    }
    GStatBuf status{};
    if (g_lstat(Folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid()) {
        return false;
    }
    return (status.st_mode & 077) == 0 || g_chmod(Folder.c_str(), 0700) == 0;
}

// WebKit loads web-process extensions only from files named *.so in one folder. The engine is
// its own extension (it reports the web process's id, see WebProcessExtension.cpp), whatever
// its own file is called; a folder holds a link to it under such a name. With a data folder the
// link lives inside it, so it goes when the application's data goes; without one, one folder per
// engine file in the user's runtime folder is reused by every start.
void InstallProcessExtension(WebKitWebContext* Context, const std::string& DataFolder) {
    std::string engine;
    if (!LibraryPathOf(reinterpret_cast<const void*>(&InstallProcessExtension), engine)) {
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "vtr-engine-%08x", g_str_hash(engine.c_str()));
    const TGString shared(g_build_filename(g_get_user_runtime_dir(), name, nullptr));
    std::string folder = shared.get();
    if (!DataFolder.empty()) {
        // Earlier versions kept the link in the shared folder even with a data folder.
        const TGString oldLink(g_build_filename(shared.get(), "vtr-engine.so", nullptr));
        g_unlink(oldLink.get());
        g_rmdir(shared.get());
        folder = DataFolder + "/WebExtensions";
    }
    if (!MakePrivateFolder(folder)) {
        return;
    }
    const TGString link(g_build_filename(folder.c_str(), "vtr-engine.so", nullptr));
    const TGString current(g_file_read_link(link.get(), nullptr));
    if (current == nullptr || engine != current.get()) {
        // Made under a temporary name and renamed over the old one, so that processes starting
        // at the same time never see a half-made link.
        const std::string temporary = std::string(link.get()) + "." + std::to_string(getpid());
        g_unlink(temporary.c_str());
        if (symlink(engine.c_str(), temporary.c_str()) != 0 || g_rename(temporary.c_str(), link.get()) != 0) {
            g_unlink(temporary.c_str());
            return;
        }
    }
    webkit_web_context_set_web_extensions_directory(Context, folder.c_str());
}

void OnFileSchemeRequest(WebKitURISchemeRequest* Request, gpointer) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(Request);
    if (TBrowser* browser = view != nullptr ? TBrowser::FromView(view) : nullptr) {
        browser->HandleFileRequest(Request);
    } else {
        ServeFromDisk(Request, false);
    }
}

} // namespace

std::string WebKitVersionText() {
    return std::to_string(webkit_get_major_version()) + "." + std::to_string(webkit_get_minor_version()) +
           "." + std::to_string(webkit_get_micro_version());
}

HRESULT CheckWebKitUsable(const char* BrowserExecutableFolder) {
    // WebKit runs its pages in helper processes; without them no view can ever show a page.
    std::string folder;
    if (BrowserExecutableFolder != nullptr && *BrowserExecutableFolder != '\0') {
        folder = BrowserExecutableFolder;
    } else if (const char* exec = g_getenv("WEBKIT_EXEC_PATH"); exec != nullptr && *exec != '\0') {
        folder = exec;
    } else {
        std::string library;
        if (!LibraryPathOf(reinterpret_cast<const void*>(&webkit_get_major_version), library)) {
            return HResultFromWin32(ERROR_FILE_NOT_FOUND);
        }
        const TGString dir(g_path_get_dirname(library.c_str()));
        folder = std::string(dir.get()) + "/webkit2gtk-4.1";
    }
    for (const char* helper : {"WebKitWebProcess", "WebKitNetworkProcess"}) {
        const TGString path(g_build_filename(folder.c_str(), helper, nullptr));
        if (!g_file_test(path.get(), G_FILE_TEST_IS_EXECUTABLE)) {
            return HResultFromWin32(ERROR_FILE_NOT_FOUND);
        }
    }
    return S_OK;
}

WebKitWebContext* ContextForDataFolder(const std::string& DataFolder) {
    // Intentionally never released: WebKit contexts are meant to live as long as the process.
    static std::map<std::string, WebKitWebContext*> contexts;
    if (auto it = contexts.find(DataFolder); it != contexts.end()) {
        return it->second;
    }
    WebKitWebContext* context = nullptr;
    if (DataFolder.empty()) {
        context = webkit_web_context_new();
    } else {
        // Cookies, storage and cache are the user's own.
        MakePrivateFolder(DataFolder);
        const std::string cache = DataFolder + "/Cache";
        const auto manager = TGObjectPtr<WebKitWebsiteDataManager>::Adopt(webkit_website_data_manager_new(
            "base-data-directory", DataFolder.c_str(), "base-cache-directory", cache.c_str(), nullptr));
        context = webkit_web_context_new_with_website_data_manager(manager.Get());
        const std::string cookies = DataFolder + "/Cookies.sqlite";
        webkit_cookie_manager_set_persistent_storage(
            webkit_website_data_manager_get_cookie_manager(manager.Get()), cookies.c_str(),
            WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    }
    const std::string scheme(EngineFileScheme);
    webkit_web_context_register_uri_scheme(context, scheme.c_str(), OnFileSchemeRequest, nullptr, nullptr);
    // Secure, so that pages get the APIs reserved to secure origins; never "local", which
    // would block module scripts, fetch and workers.
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
    // Display-isolated: only documents of the scheme itself may load its addresses, so a web page
    // (in a frame, or shown by the application) can neither embed nor open the user's files.
    webkit_security_manager_register_uri_scheme_as_display_isolated(security, scheme.c_str());
    InstallProcessExtension(context, DataFolder);
    WatchDownloads(context);
    // The web processes learn the media route from WebKit itself, never from a page.
    webkit_web_context_set_web_extensions_initialization_user_data(
        context, g_variant_new_string(MediaRouteBase().c_str()));
    contexts.emplace(DataFolder, context);
    return context;
}

HRESULT TEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    if (handler == nullptr) {
        return E_POINTER;
    }
    auto* parent = static_cast<GtkWidget*>(parentWindow);
    if (parent == nullptr || !GTK_IS_CONTAINER(parent)) {
        return E_INVALIDARG;
    }
    return TBrowser::Create(this, parent, handler);
}

HRESULT TEnvironment::CreateWebResourceResponse(IStream* content, int statusCode, LPCSTR reasonPhrase,
                                                LPCSTR headers, ICoreWebView2WebResourceResponse** response) {
    return MakeWebResourceResponse(content, statusCode, reasonPhrase, headers, response);
}

HRESULT TEnvironment::get_BrowserVersionString(LPSTR* versionInfo) {
    return OutString(WebKitVersionText(), versionInfo);
}

} // namespace WebView2::WebKitGtk
