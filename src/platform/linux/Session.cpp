#include "platform/Session.h"

#include "platform/LastError.h"

#include <gio/gio.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace Platform {

namespace {

struct TGErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using TGErrorPtr = std::unique_ptr<GError, TGErrorFree>;
struct TUnref {
    void operator()(gpointer o) const { g_object_unref(o); }
};
struct TVariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
using TVariantPtr = std::unique_ptr<GVariant, TVariantUnref>;

constexpr const char* Login1 = "org.freedesktop.login1";
constexpr const char* ManagerPath = "/org/freedesktop/login1";
constexpr const char* ManagerInterface = "org.freedesktop.login1.Manager";

TVariantPtr Call(GDBusConnection* bus, const char* method, GVariant* args, const GVariantType* replyType) {
    GError* raw = nullptr;
    TVariantPtr reply(g_dbus_connection_call_sync(bus, Login1, ManagerPath, ManagerInterface, method, args,
                                                  replyType, G_DBUS_CALL_FLAGS_NONE, 25000, nullptr, &raw));
    TGErrorPtr error(raw);
    if (!reply) {
        if (error) {
            g_dbus_error_strip_remote_error(error.get());
        }
        SetLastErrorText(error ? error->message : "The session manager did not answer");
    }
    return reply;
}

// The session id: $XDG_SESSION_ID, else the session logind knows for this process.
std::string CurrentSessionId(GDBusConnection* bus) {
    if (const char* id = std::getenv("XDG_SESSION_ID"); id != nullptr && id[0] != '\0') {
        return id;
    }
    TVariantPtr path = Call(bus, "GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid())),
                            G_VARIANT_TYPE("(o)"));
    if (!path) {
        return {};
    }
    const gchar* objectPath = nullptr;
    g_variant_get(path.get(), "(&o)", &objectPath);
    GError* raw = nullptr;
    TVariantPtr id(
        g_dbus_connection_call_sync(bus, Login1, objectPath, "org.freedesktop.DBus.Properties", "Get",
                                    g_variant_new("(ss)", "org.freedesktop.login1.Session", "Id"),
                                    G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 25000, nullptr, &raw));
    TGErrorPtr error(raw);
    if (!id) {
        SetLastErrorText(error ? error->message : "No session");
        return {};
    }
    GVariant* inner = nullptr;
    g_variant_get(id.get(), "(v)", &inner);
    TVariantPtr holder(inner);
    return g_variant_is_of_type(inner, G_VARIANT_TYPE_STRING)
               ? std::string(g_variant_get_string(inner, nullptr))
               : std::string();
}

} // namespace

bool EndSession(TSessionEnd How) {
    GError* raw = nullptr;
    std::unique_ptr<GDBusConnection, TUnref> bus(g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &raw));
    TGErrorPtr error(raw);
    if (!bus) {
        SetLastErrorText(error ? error->message : "The system bus is not available");
        return false;
    }
    switch (How) {
    case TSessionEnd::Reboot:
        return Call(bus.get(), "Reboot", g_variant_new("(b)", FALSE), nullptr) != nullptr;
    case TSessionEnd::PowerOff:
        return Call(bus.get(), "PowerOff", g_variant_new("(b)", FALSE), nullptr) != nullptr;
    case TSessionEnd::Logoff: {
        const std::string id = CurrentSessionId(bus.get());
        if (id.empty()) {
            return false;
        }
        return Call(bus.get(), "TerminateSession", g_variant_new("(s)", id.c_str()), nullptr) != nullptr;
    }
    }
    return false;
}

} // namespace Platform
