#include "platform/Shell.h"

#include "platform/LastError.h"

#include "base/glib/GLibPtr.h"

#include <gio/gio.h>

#include <filesystem>

namespace Platform {

namespace {

using Base::GLib::TGErrorOut;
using Base::GLib::TGObjectPtr;
using Base::GLib::TGString;

std::string FileUri(const std::string& path) {
    const TGString uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    return uri ? std::string(uri.get()) : std::string();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

} // namespace

bool LooksLikeUri(const std::string& Text) {
    const TGString scheme(g_uri_parse_scheme(Text.c_str()));
    // A one-letter scheme would be a Windows drive; such paths are not URIs here either.
    return scheme != nullptr && std::string(scheme.get()).size() > 1;
}

bool LaunchDefaultForUri(const std::string& Uri) {
    TGErrorOut error;
    const gboolean ok = g_app_info_launch_default_for_uri(Uri.c_str(), nullptr, error.Out());
    if (!ok) {
        SetLastErrorText(error ? error.Message() : "No application is registered for this document");
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
    TGErrorOut busError;
    const auto bus =
        TGObjectPtr<GDBusConnection>::Adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, busError.Out()));
    if (bus && !uri.empty()) {
        const gchar* uris[] = {uri.c_str(), nullptr};
        TGErrorOut callError;
        const Base::GLib::TGVariant reply(g_dbus_connection_call_sync(
            bus.Get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
            "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, callError.Out()));
        if (reply) {
            return true;
        }
    }
    const std::string folder = std::filesystem::path(abs).parent_path().string();
    return LaunchDefaultForPath(folder.empty() ? std::string("/") : folder);
}

bool LaunchDefaultImageEditor(const std::string& Path) {
    const auto app = TGObjectPtr<GAppInfo>::Adopt(g_app_info_get_default_for_type("image/png", FALSE));
    if (!app) {
        SetLastErrorText("No image editor is installed");
        return false;
    }
    const auto file = TGObjectPtr<GFile>::Adopt(g_file_new_for_path(AbsolutePath(Path).c_str()));
    GList list{file.Get(), nullptr, nullptr};
    TGErrorOut error;
    const gboolean ok = g_app_info_launch(app.Get(), &list, nullptr, error.Out());
    if (!ok) {
        SetLastErrorText(error ? error.Message() : "The image editor could not be started");
    }
    return ok != FALSE;
}

} // namespace Platform
