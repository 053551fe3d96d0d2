#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace VtrPack {

// A command line that cannot be understood; the message says what to change.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TKeyKind { Text, Integer, Boolean };

// One key of the "App" section of vtr.ini and the option that writes it.
struct TIniKey {
    std::string_view Key;
    std::string_view Option; // without the leading "--"
    TKeyKind Kind;
    std::string_view Default;
    std::string_view Help;
    int Min = 0, Max = -1; // accepted range when Max >= Min
};

// Every key the runtime reads, in the order they are written.
const std::vector<TIniKey>& IniKeys();

// One string of a Windows runtime's version information and the option that sets it.
struct TVersionKey {
    std::string_view Key;    // as UpdateExeInfo names it
    std::string_view Option; // without the leading "--"
    std::string_view Help;
};

// The version strings vtr-pack can set, in the order they are rewritten.
const std::vector<TVersionKey>& VersionKeys();

struct TPackOptions {
    std::string AppDir;
    std::string Output;
    std::string Runtime;           // empty: the runtime "vtr" beside vtr-pack
    std::string IniFile;           // empty: vtr.ini is written from IniValues
    std::string Engine;            // stored as WebView2LoaderWin64.dll
    std::string WebviewJs;         // stored as vtr-webviewjs
    std::string Installer;         // stored as WebView2Installer.exe
    bool DefaultInstaller = false; // the built-in WebKitGTK installer script as the installer
    std::string Icon;              // the application's icon (a Windows runtime's new main icon)
    // Version strings of a Windows runtime, which also describe a Debian package: key (as in
    // VersionKeys) and new value.
    std::vector<std::pair<std::string, std::string>> VersionValues;
    std::string DebDir;     // the folder a Debian package of the application is written to
    std::string Maintainer; // the Debian package's maintainer, "Name <address>"
    // Key and value as given; values of Boolean keys already read as "1" or "0".
    std::vector<std::pair<std::string, std::string>> IniValues;
    bool Help = false;
    bool Version = false;
    bool Quiet = false;
};

// Reads the arguments after the program name. Raises EUsageError.
TPackOptions ParseCommandLine(const std::vector<std::string>& Args);
std::string HelpText();

// vtr.ini from the given values: UTF-8 with a byte-order mark, section "App", CR LF lines,
// keys in table order. Raises EUsageError when a value would not read back as given.
std::string BuildIniText(const std::vector<std::pair<std::string, std::string>>& Values);

} // namespace VtrPack
