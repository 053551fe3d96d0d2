#include "platform/Folders.h"

#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace Platform {

namespace {

// Environment values are read at every call (GLib caches its own answers for the process).
std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return {};
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string SpecialDirOrHome(GUserDirectory which) {
    const gchar* dir = g_get_user_special_dir(which);
    if (dir != nullptr && dir[0] == '/') {
        return StripTrailingSlashes(dir);
    }
    return HomeDir();
}

} // namespace

std::string HomeDir() {
    std::string home = AbsoluteEnv("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
            home = pw->pw_dir;
        }
    }
    return StripTrailingSlashes(home);
}

std::string UserDesktopDir() {
    // GLib names $HOME/Desktop when no desktop folder is configured, whether or not it exists;
    // a desktop folder that does not exist is none.
    std::string dir = SpecialDirOrHome(G_USER_DIRECTORY_DESKTOP);
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : HomeDir();
}

std::string UserDocumentsDir() {
    return SpecialDirOrHome(G_USER_DIRECTORY_DOCUMENTS);
}

std::string UserConfigDir() {
    std::string dir = AbsoluteEnv("XDG_CONFIG_HOME");
    if (dir.empty()) {
        const std::string home = HomeDir();
        return home.empty() ? std::string() : home + "/.config";
    }
    return StripTrailingSlashes(dir);
}

std::string UserDataDir() {
    std::string dir = AbsoluteEnv("XDG_DATA_HOME");
    if (dir.empty()) {
        const std::string home = HomeDir();
        return home.empty() ? std::string() : home + "/.local/share";
    }
    return StripTrailingSlashes(dir);
}

std::string TempDir() {
    std::string dir = AbsoluteEnv("TMPDIR");
    if (dir.empty()) {
        dir = "/tmp";
    }
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(dir, ec);
    return StripTrailingSlashes(ec ? dir : canonical.string());
}

} // namespace Platform
