#include "platform/SystemInfo.h"

#include "platform/LastError.h"

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

namespace {

struct TKeyFileFree {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};

KeySym KeySymForVirtualKey(unsigned vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        return vk >= 'A' ? XK_a + (vk - 'A') : XK_0 + (vk - '0');
    }
    if (vk >= 0x70 && vk <= 0x87) {
        return XK_F1 + (vk - 0x70);
    }
    if (vk >= 0x60 && vk <= 0x69) {
        return XK_KP_0 + (vk - 0x60);
    }
    switch (vk) {
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0D:
        return XK_Return;
    case 0x10:
        return XK_Shift_L;
    case 0x11:
        return XK_Control_L;
    case 0x12:
        return XK_Alt_L;
    case 0x13:
        return XK_Pause;
    case 0x14:
        return XK_Caps_Lock;
    case 0x1B:
        return XK_Escape;
    case 0x20:
        return XK_space;
    case 0x21:
        return XK_Page_Up;
    case 0x22:
        return XK_Page_Down;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x2C:
        return XK_Print;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x5B:
        return XK_Super_L;
    case 0x5D:
        return XK_Menu;
    case 0x90:
        return XK_Num_Lock;
    case 0x91:
        return XK_Scroll_Lock;
    default:
        return NoSymbol;
    }
}

} // namespace

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
    std::unique_ptr<GKeyFile, TKeyFileFree> keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), Path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        return {};
    }
    constexpr const char* group = "Desktop Entry";
    std::unique_ptr<gchar, decltype(&g_free)> url(g_key_file_get_string(keys.get(), group, "URL", nullptr),
                                                  &g_free);
    if (url) {
        return url.get();
    }
    std::unique_ptr<gchar, decltype(&g_free)> exec(g_key_file_get_string(keys.get(), group, "Exec", nullptr),
                                                   &g_free);
    if (!exec) {
        return {};
    }
    gint argc = 0;
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(exec.get(), &argc, &argv, nullptr)) {
        return {};
    }
    std::unique_ptr<gchar*, decltype(&g_strfreev)> args(argv, &g_strfreev);
    return argc > 0 ? std::string(argv[0]) : std::string();
}

bool PressVirtualKey(unsigned VirtualKey) {
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), &XCloseDisplay);
    if (!display) {
        SetLastErrorText("No display");
        return false;
    }
    const KeySym sym = KeySymForVirtualKey(VirtualKey);
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
