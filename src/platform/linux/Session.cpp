#include "platform/Session.h"

#include "platform/LastError.h"

#include "base/glib/GLibPtr.h"

#include <gio/gio.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace Platform {

namespace {

using Base::GLib::TGErrorOut;
using Base::GLib::TGVariant;

constexpr const char* Login1 = "org.freedesktop.login1";
constexpr const char* ManagerPath = "/org/freedesktop/login1";
constexpr const char* ManagerInterface = "org.freedesktop.login1.Manager";

TGVariant Call(GDBusConnection* bus, const char* method, GVariant* args, const GVariantType* replyType) {
    TGErrorOut error;
    TGVariant reply(g_dbus_connection_call_sync(bus, Login1, ManagerPath, ManagerInterface, method, args,
                                                replyType, G_DBUS_CALL_FLAGS_NONE, 25000, nullptr,
                                                error.Out()));
    if (!reply) {
        if (error) {
            g_dbus_error_strip_remote_error(error.Get());
        }
        SetLastErrorText(error ? error.Message() : "The session manager did not answer");
    }
    return reply;
}

// The session id: $XDG_SESSION_ID, else the session logind knows for this process.
std::string CurrentSessionId(GDBusConnection* bus) {
    if (const char* id = std::getenv("XDG_SESSION_ID"); id != nullptr && id[0] != '\0') {
        return id;
    }
    const TGVariant path = Call(bus, "GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid())),
                                G_VARIANT_TYPE("(o)"));
    if (!path) {
        return {};
    }
    const gchar* objectPath = nullptr;
    g_variant_get(path.get(), "(&o)", &objectPath);
    TGErrorOut error;
    const TGVariant id(g_dbus_connection_call_sync(
        bus, Login1, objectPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.freedesktop.login1.Session", "Id"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, 25000, nullptr, error.Out()));
    if (!id) {
        SetLastErrorText(error ? error.Message() : "No session");
        return {};
    }
    GVariant* raw = nullptr;
    g_variant_get(id.get(), "(v)", &raw);
    const TGVariant inner(raw);
    return g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_STRING)
               ? std::string(g_variant_get_string(inner.get(), nullptr))
               : std::string();
}

} // namespace

bool EndSession(TSessionEnd How) {
    TGErrorOut error;
    const auto bus = Base::GLib::TGObjectPtr<GDBusConnection>::Adopt(
        g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, error.Out()));
    if (!bus) {
        SetLastErrorText(error ? error.Message() : "The system bus is not available");
        return false;
    }
    switch (How) {
    case TSessionEnd::Reboot:
        return Call(bus.Get(), "Reboot", g_variant_new("(b)", FALSE), nullptr) != nullptr;
    case TSessionEnd::PowerOff:
        return Call(bus.Get(), "PowerOff", g_variant_new("(b)", FALSE), nullptr) != nullptr;
    case TSessionEnd::Logoff: {
        const std::string id = CurrentSessionId(bus.Get());
        if (id.empty()) {
            return false;
        }
        return Call(bus.Get(), "TerminateSession", g_variant_new("(s)", id.c_str()), nullptr) != nullptr;
    }
    }
    return false;
}

} // namespace Platform
