#include "PackOptions.h"

#include "shared/config/IniDocument.h"
#include "shared/text/StrUtils.h"
#include "shared/text/Unicode.h"

#include <algorithm>
#include <sstream>

namespace VtrPack {

namespace {

using Shared::TStrUtils;

const TIniKey* FindKeyByOption(std::string_view option) {
    for (const TIniKey& k : IniKeys()) {
        if (k.Option == option) {
            return &k;
        }
    }
    return nullptr;
}

const TVersionKey* FindVersionKeyByOption(std::string_view option) {
    for (const TVersionKey& k : VersionKeys()) {
        if (k.Option == option) {
            return &k;
        }
    }
    return nullptr;
}

// The runtime's reading of a number: "0x" as "$", then decimal or "$" hexadecimal.
bool ReadsAsInteger(std::string_view value, int& result) {
    std::string text(value);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.replace(0, 2, "$");
    }
    return Shared::TStrUtils::TryStrToInt(text, result);
}

std::string ReadBoolean(std::string_view option, std::string_view value) {
    const std::string v = TStrUtils::LowerCaseAscii(value);
    if (v == "1" || v == "true" || v == "yes" || v == "on") {
        return "1";
    }
    if (v == "0" || v == "false" || v == "no" || v == "off") {
        return "0";
    }
    throw EUsageError("--" + std::string(option) + ": \"" + std::string(value) +
                      "\" is not a yes/no value (use 1 or 0, true or false, yes or no)");
}

} // namespace

const std::vector<TIniKey>& IniKeys() {
    using K = TKeyKind;
    static const std::vector<TIniKey> keys = {
        {"ID", "id", K::Text, "",
         "application identifier (required): one folder name, naming the data folder and the instance lock"},
        {"Name", "name", K::Text, "", "application name (required): window caption and title"},
        {"DirName", "dir-name", K::Text, "", "archive folder that holds APPDIR's files (required), e.g. app"},
        {"IndexHtml", "index-html", K::Text, "index.html", "start page, relative to APPDIR"},
        {"Theme", "theme", K::Text, "Windows", "visual style applied at start; \"Windows\" applies none"},
        {"AllowInstances", "allow-instances", K::Boolean, "0", "allow several instances at once"},
        {"EdgeInstaller", "edge-installer", K::Boolean, "1",
         "offer to install a missing browser runtime from --installer"},
        {"InstallFormColor", "install-form-color", K::Integer, "0xFF00001A",
         "installer splash colour: 0x00BBGGRR, or 0xFF000000 + a system colour index"},
        {"InstallIndicatorColor", "install-indicator-color", K::Integer, "1",
         "splash activity indicator colour: 0 black, 1 white", 0, 1},
        {"InstallIndicatorType", "install-indicator-type", K::Integer, "0",
         "splash activity indicator: 0 momentum dots, 1 rotating sector, 2 sector ring", 0, 2},
        {"Password", "password", K::Text, "", "password the user must type before the application opens"},
        {"AllowDebug", "allow-debug", K::Boolean, "0", "allow the browser's developer tools"},
        {"AllowZoom", "allow-zoom", K::Boolean, "0", "allow zooming the page"},
        {"AllowContextMenu", "allow-context-menu", K::Boolean, "0", "allow the browser's context menu"},
        {"Top", "top", K::Integer, "50", "window top, in pixels"},
        {"Left", "left", K::Integer, "50", "window left, in pixels"},
        {"Width", "width", K::Integer, "800", "window width, in pixels"},
        {"Height", "height", K::Integer, "600", "window height, in pixels"},
        {"MaxWidth", "max-width", K::Integer, "0", "largest window width; 0 means no limit"},
        {"MaxHeight", "max-height", K::Integer, "0", "largest window height; 0 means no limit"},
        {"MinWidth", "min-width", K::Integer, "0", "smallest window width; 0 means no limit"},
        {"MinHeight", "min-height", K::Integer, "0", "smallest window height; 0 means no limit"},
        {"WindowPosition", "window-position", K::Integer, "0",
         "0: first shown centred on the desktop; other: placed by the system"},
        {"WindowStyle", "window-style", K::Integer, "0", "1: full screen; other: a normal window"},
        {"WindowBorder", "window-border", K::Integer, "2",
         "0 none, 1 single (fixed size), 2 sizeable, 3 dialog, 4 tool window, 5 sizeable tool window", 0, 5},
        {"WindowState", "window-state", K::Integer, "0", "0: normal; 1: maximized"},
        {"WindowOrder", "window-order", K::Integer, "0", "1: stay on top of other windows"},
        {"DynamicAppTitle", "dynamic-app-title", K::Boolean, "0", "window caption follows the page's title"},
    };
    return keys;
}

const std::vector<TVersionKey>& VersionKeys() {
    static const std::vector<TVersionKey> keys = {
        {"CompanyName", "company-name", "the company that makes the application"},
        {"FileDescription", "file-description", "what the program is; shown by the task manager"},
        {"FileVersion", "file-version", "the file's version, e.g. 1.4.0.0"},
        {"InternalName", "internal-name", "the program's internal name"},
        {"LegalCopyright", "legal-copyright", "the copyright notice"},
        {"LegalTrademarks", "legal-trademarks", "trademarks that apply"},
        {"OriginalFileName", "original-file-name", "the executable's file name, e.g. notes.exe"},
        {"ProgramID", "program-id", "a program identifier"},
        {"ProductName", "product-name", "the product the program belongs to"},
        {"ProductVersion", "product-version", "the product's version"},
        {"Comments", "comments", "any further remark"},
    };
    return keys;
}

std::string HelpText() {
    std::ostringstream out;
    out << "Usage: vtr-pack APPDIR -o OUTPUT [options]\n"
           "\n"
           "Packs the web application in the folder APPDIR into one executable: a copy of the vtr\n"
           "runtime with an archive appended that holds APPDIR's files (under the folder named by\n"
           "--dir-name), vtr.ini, the browser engine and the optional page script and installer.\n"
           "The result is verified before it replaces OUTPUT; the same inputs give the same bytes.\n"
           "\n"
           "The archive is encrypted with ZipCrypto and a password that every copy of the runtime\n"
           "holds. That hides the files from casual view; it is NOT protection: anyone who wants\n"
           "the files can read them. Do not pack secrets.\n"
           "\n"
           "Files:\n"
           "  -o, --output OUTPUT   the executable to write (replaced if it exists; never inside APPDIR)\n"
           "  --runtime PATH        the runtime to copy (default: vtr beside vtr-pack)\n"
           "  --engine PATH         the browser engine library, stored as WebView2LoaderWin64.dll\n"
           "                        (default: libvtr-engine-webkitgtk.so beside vtr-pack)\n"
           "  --webviewjs FILE      a script run in every page before its own, stored as vtr-webviewjs\n"
           "  --installer FILE      the browser runtime installer, stored as WebView2Installer.exe\n"
           "  --default-installer   ship a script as the installer that installs WebKitGTK 4.1\n"
           "                        through the system's package manager (apt, dnf, zypper,\n"
           "                        pacman or apk); the application runs it with pkexec when\n"
           "                        it finds no usable engine\n"
           "  --ini FILE            use FILE as vtr.ini, byte for byte, instead of the options below;\n"
           "                        values the runtime would not read as written are warned about\n"
           "\n"
           "Configuration (vtr.ini, section [App]); each option writes one key. Only the options\n"
           "given are written; the runtime uses the default shown for the others. Numbers may be\n"
           "decimal or hexadecimal (0xFF or $FF); yes/no values take 1/0, true/false or yes/no.\n";
    for (const TIniKey& k : IniKeys()) {
        std::string left = "  --" + std::string(k.Option);
        left += k.Kind == TKeyKind::Boolean ? " 1|0" : k.Kind == TKeyKind::Integer ? " N" : " TEXT";
        left.resize(std::max<std::size_t>(left.size() + 1, 34), ' ');
        out << left << k.Key << ": " << k.Help;
        if (!k.Default.empty()) {
            out << " [" << k.Default << "]";
        }
        out << "\n";
    }
    out << "\n"
           "Icon and version (at most 1 MiB for the icon):\n"
           "  --icon FILE                     the application's icon. For a Linux runtime a PNG, SVG\n"
           "                                  or ICO file (at most 1024 pixels a side), stored in the\n"
           "                                  archive: every window of the application carries it,\n"
           "                                  at the sizes the file offers. Without it the windows\n"
           "                                  carry the vtr icon. For a Windows runtime an ICO file\n"
           "                                  that becomes the executable's main icon.\n"
           "For a Windows runtime (a PE executable given with --runtime) the version strings below\n"
           "are rewritten in the copy before the archive is appended, only where its version\n"
           "information already has them, under every translation it lists; none is added. A Linux\n"
           "runtime has no version information: there they describe the Debian package (--deb) and\n"
           "are refused without it.\n";
    for (const TVersionKey& k : VersionKeys()) {
        std::string left = "  --" + std::string(k.Option) + " TEXT";
        left.resize(std::max<std::size_t>(left.size() + 1, 34), ' ');
        out << left << k.Key << ": " << k.Help << "\n";
    }
    out << "\n"
           "Debian package (Linux runtime):\n"
           "  --deb DIR                       also write a Debian package of the application into\n"
           "                                  DIR, built with dpkg-deb: the executable in /opt/ID/,\n"
           "                                  a launcher in /usr/bin named like OUTPUT, a desktop\n"
           "                                  entry, the icon in the hicolor theme (the vtr icon\n"
           "                                  without --icon). The package's name is the ID in lower\n"
           "                                  case; it depends on GTK 3 and WebKitGTK 4.1\n"
           "  --maintainer \"NAME <ADDRESS>\"   the package's maintainer (required with --deb)\n"
           "  The version strings fill the package: --product-version (else --file-version) is its\n"
           "  version (required with --deb), --file-description its one-line summary (default:\n"
           "  \"NAME, a desktop application\"), --comments its long description, --legal-copyright\n"
           "  its copyright notice.\n"
           "\n"
           "Other:\n"
           "  -q, --quiet           print nothing but errors and warnings\n"
           "  -h, --help            show this text\n"
           "  --version             show the version\n"
           "\n"
           "Example:\n"
           "  vtr-pack ./site -o notes --id com.example.notes --name Notes --dir-name app \\\n"
           "           --engine /usr/lib/vtr/libvtr-engine.so --width 1024 --height 768\n"
           "  vtr-pack ./site -o notes --id com.example.notes --name Notes --dir-name app \\\n"
           "           --icon notes.svg --deb dist --product-version 1.0.0 \\\n"
           "           --maintainer \"Jane Doe <jane@example.org>\"\n"
           "\n"
           "vtr-pack refuses, with a message and without writing OUTPUT, what the runtime could\n"
           "not start: an empty ID, Name or DirName, an ID that is not one plain folder name (\".\",\n"
           "\"..\", \"/\", \"\\\", control characters), a start page that APPDIR does not hold, a\n"
           "missing or unreadable file, a runtime that already carries an archive, an icon it\n"
           "cannot read. It warns about values of a given --ini file that the runtime would not\n"
           "read as written (AllowZoom=true, Width=1024px, WindowBorder=7, misspelt keys) and\n"
           "stores the file unchanged all the same.\n";
    return out.str();
}

TPackOptions ParseCommandLine(const std::vector<std::string>& Args) {
    TPackOptions o;
    std::vector<std::string> given;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        const std::string& arg = Args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!o.AppDir.empty()) {
                throw EUsageError("more than one application folder: \"" + o.AppDir + "\" and \"" + arg +
                                  "\"");
            }
            o.AppDir = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (name == "-h" || name == "--help") {
            o.Help = true;
            continue;
        }
        if (name == "--version") {
            o.Version = true;
            continue;
        }
        if (name == "-q" || name == "--quiet") {
            o.Quiet = true;
            continue;
        }
        if (name == "--default-installer") {
            if (hasValue) {
                throw EUsageError("--default-installer takes no value");
            }
            o.DefaultInstaller = true;
            continue;
        }
        if (name == "-o") {
            name = "--output";
        }
        if (std::find(given.begin(), given.end(), name) != given.end()) {
            throw EUsageError(name + " is given twice");
        }
        given.push_back(name);
        const auto takeValue = [&]() -> std::string {
            if (hasValue) {
                return value;
            }
            if (i + 1 >= Args.size()) {
                throw EUsageError(name + " needs a value");
            }
            return Args[++i];
        };

        const std::string bare = name.rfind("--", 0) == 0 ? name.substr(2) : name;
        std::string* file = bare == "output"      ? &o.Output
                            : bare == "runtime"   ? &o.Runtime
                            : bare == "ini"       ? &o.IniFile
                            : bare == "engine"    ? &o.Engine
                            : bare == "webviewjs" ? &o.WebviewJs
                            : bare == "installer" ? &o.Installer
                            : bare == "icon"      ? &o.Icon
                            : bare == "deb"       ? &o.DebDir
                                                  : nullptr;
        if (file != nullptr && name.rfind("--", 0) == 0) {
            *file = takeValue();
            if (file->empty()) {
                throw EUsageError(name + " needs a path, not an empty text");
            }
            continue;
        }
        if (name == "--maintainer") {
            o.Maintainer = takeValue();
            continue;
        }
        if (const TVersionKey* version = name.rfind("--", 0) == 0 ? FindVersionKeyByOption(bare) : nullptr) {
            std::string v = takeValue();
            if (Shared::MakeValidUtf8(v) != v) {
                throw EUsageError(name + ": the value is not valid UTF-8 text");
            }
            o.VersionValues.emplace_back(std::string(version->Key), std::move(v));
            continue;
        }
        const TIniKey* key = name.rfind("--", 0) == 0 ? FindKeyByOption(bare) : nullptr;
        if (key == nullptr) {
            throw EUsageError("unknown option " + name + " (see vtr-pack --help)");
        }
        std::string v = takeValue();
        if (key->Kind == TKeyKind::Boolean) {
            v = ReadBoolean(key->Option, v);
        } else if (key->Kind == TKeyKind::Integer) {
            int number = 0;
            if (!ReadsAsInteger(v, number)) {
                throw EUsageError(name + ": \"" + v + "\" is not a whole number the runtime can read");
            }
            if (key->Max >= key->Min && (number < key->Min || number > key->Max)) {
                throw EUsageError(name + ": " + v + " is outside " + std::to_string(key->Min) + ".." +
                                  std::to_string(key->Max));
            }
        }
        o.IniValues.emplace_back(std::string(key->Key), std::move(v));
    }

    if (o.Help || o.Version) {
        return o;
    }
    if (!o.IniFile.empty() && !o.IniValues.empty()) {
        throw EUsageError("--ini cannot be combined with key options such as --" +
                          TStrUtils::LowerCaseAscii(o.IniValues.front().first) +
                          ": vtr.ini comes either from the file or from options");
    }
    if (o.DefaultInstaller && !o.Installer.empty()) {
        throw EUsageError("--installer and --default-installer both name the installer; give one of them");
    }
    if (!o.Maintainer.empty() && o.DebDir.empty()) {
        throw EUsageError("--maintainer names the Debian package's maintainer: it needs --deb DIR");
    }
    if (o.AppDir.empty()) {
        throw EUsageError("no application folder given (see vtr-pack --help)");
    }
    if (o.Output.empty()) {
        throw EUsageError("no output given: add -o OUTPUT");
    }
    return o;
}

std::string BuildIniText(const std::vector<std::pair<std::string, std::string>>& Values) {
    std::string text = "\xEF\xBB\xBF[App]\r\n";
    for (const TIniKey& k : IniKeys()) {
        const auto found =
            std::find_if(Values.begin(), Values.end(), [&](const auto& v) { return v.first == k.Key; });
        if (found == Values.end()) {
            continue;
        }
        const std::string& value = found->second;
        if (Shared::MakeValidUtf8(value) != value) {
            throw EUsageError("--" + std::string(k.Option) + ": the value is not valid UTF-8 text");
        }
        if (std::any_of(value.begin(), value.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            throw EUsageError("--" + std::string(k.Option) +
                              ": the value holds a line break or control character");
        }
        text += std::string(k.Key) + "=" + value + "\r\n";
    }
    // What the runtime will read must be what was given.
    Shared::TIniDocument ini;
    ini.LoadFromBytes(text);
    for (const auto& [key, value] : Values) {
        const std::string read = ini.ReadString("App", key, "\x01missing");
        if (read != value) {
            const auto k = std::find_if(IniKeys().begin(), IniKeys().end(),
                                        [&key = key](const TIniKey& x) { return x.Key == key; });
            throw EUsageError("--" + std::string(k->Option) + ": \"" + value + "\" would read back as \"" +
                              read + "\" (blanks at either end are not kept)");
        }
    }
    return text;
}

} // namespace VtrPack
