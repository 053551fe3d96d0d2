#include "platform/SystemInfo.h"

#include "platform/LastError.h"

#include "base/VirtualKeys.h"
#include "base/glib/GLibPtr.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <glib.h>

#include <cerrno>
#include <filesystem>
#include <limits.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace Platform {

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        SetLastErrorFromErrno(errno);
        return {};
    }
    return name;
}

std::string UserLoginName() {
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr) {
        return pw->pw_name;
    }
    const gchar* name = g_get_user_name();
    return name != nullptr && std::string(name) != "somebody" ? std::string(name) : std::string();
}

std::string ShortcutTarget(const std::string& Path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(Path, ec)) {
        const auto target = std::filesystem::read_symlink(Path, ec);
        if (ec) {
            return {};
        }
        return target.is_absolute()
                   ? target.string()
                   : (std::filesystem::path(Path).parent_path() / target).lexically_normal().string();
    }
    const Base::GLib::TGKeyFile keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), Path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        return {};
    }
    constexpr const char* group = "Desktop Entry";
    const Base::GLib::TGString url(g_key_file_get_string(keys.get(), group, "URL", nullptr));
    if (url) {
        return url.get();
    }
    const Base::GLib::TGString exec(g_key_file_get_string(keys.get(), group, "Exec", nullptr));
    if (!exec) {
        return {};
    }
    gint argc = 0;
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(exec.get(), &argc, &argv, nullptr)) {
        return {};
    }
    const Base::GLib::TGStrv args(argv);
    return argc > 0 ? std::string(argv[0]) : std::string();
}

bool PressVirtualKey(unsigned VirtualKey) {
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), &XCloseDisplay);
    if (!display) {
        SetLastErrorText("No display");
        return false;
    }
    const KeySym sym = Base::KeySymOfVirtualKey(VirtualKey);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display.get(), sym);
    if (code == 0) {
        SetLastErrorText("Unknown key");
        return false;
    }
    XTestFakeKeyEvent(display.get(), code, True, CurrentTime);
    XTestFakeKeyEvent(display.get(), code, False, CurrentTime);
    XFlush(display.get());
    return true;
}

} // namespace Platform
