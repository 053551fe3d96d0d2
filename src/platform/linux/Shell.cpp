#include "platform/Shell.h"

#include "platform/LastError.h"

#include <gio/gio.h>

#include <filesystem>
#include <memory>

namespace Platform {

namespace {

struct TGErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using TGErrorPtr = std::unique_ptr<GError, TGErrorFree>;

template <typename T>
struct TObjectUnref {
    void operator()(T* o) const { g_object_unref(o); }
};

std::string FileUri(const std::string& path) {
    std::unique_ptr<gchar, decltype(&g_free)> uri(g_filename_to_uri(path.c_str(), nullptr, nullptr), &g_free);
    return uri ? std::string(uri.get()) : std::string();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

} // namespace

bool LooksLikeUri(const std::string& Text) {
    std::unique_ptr<char, decltype(&g_free)> scheme(g_uri_parse_scheme(Text.c_str()), &g_free);
    // A one-letter scheme would be a Windows drive; such paths are not URIs here either.
    return scheme != nullptr && std::string(scheme.get()).size() > 1;
}

bool LaunchDefaultForUri(const std::string& Uri) {
    GError* raw = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(Uri.c_str(), nullptr, &raw);
    TGErrorPtr error(raw);
    if (!ok) {
        SetLastErrorText(error ? error->message : "No application is registered for this document");
    }
    return ok != FALSE;
}

bool LaunchDefaultForPath(const std::string& Path) {
    const std::string abs = AbsolutePath(Path);
    std::error_code ec;
    if (!std::filesystem::exists(abs, ec)) {
        SetLastErrorFromErrno(ENOENT);
        return false;
    }
    return LaunchDefaultForUri(FileUri(abs));
}

bool ShowItemInFileManager(const std::string& Path) {
    const std::string abs = AbsolutePath(Path);
    const std::string uri = FileUri(abs);
    GError* raw = nullptr;
    std::unique_ptr<GDBusConnection, TObjectUnref<GDBusConnection>> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
    TGErrorPtr busError(raw);
    if (bus && !uri.empty()) {
        const gchar* uris[] = {uri.c_str(), nullptr};
        raw = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
            "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &raw);
        TGErrorPtr callError(raw);
        if (reply != nullptr) {
            g_variant_unref(reply);
            return true;
        }
    }
    const std::string folder = std::filesystem::path(abs).parent_path().string();
    return LaunchDefaultForPath(folder.empty() ? std::string("/") : folder);
}

bool LaunchDefaultImageEditor(const std::string& Path) {
    std::unique_ptr<GAppInfo, TObjectUnref<GAppInfo>> app(
        g_app_info_get_default_for_type("image/png", FALSE));
    if (!app) {
        SetLastErrorText("No image editor is installed");
        return false;
    }
    std::unique_ptr<GFile, TObjectUnref<GFile>> file(g_file_new_for_path(AbsolutePath(Path).c_str()));
    GList list{file.get(), nullptr, nullptr};
    GError* raw = nullptr;
    const gboolean ok = g_app_info_launch(app.get(), &list, nullptr, &raw);
    TGErrorPtr error(raw);
    if (!ok) {
        SetLastErrorText(error ? error->message : "The image editor could not be started");
    }
    return ok != FALSE;
}

} // namespace Platform
