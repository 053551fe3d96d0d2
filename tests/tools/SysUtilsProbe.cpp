// Calls one TSysUtils member from the command line and prints the result, so that scripted
// tests (fake logind, X11 windows) can drive it from outside.
#include "shared/system/SysUtils.h"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using Shared::TSysUtils;
    if (argc < 2) {
        std::cerr << "usage: sysutils_probe exitwindows FLAGS | windows\n";
        return 2;
    }
    const std::string command = argv[1];
    if (command == "exitwindows" && argc == 3) {
        const bool ok =
            TSysUtils::ExitWindows(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
        std::cout << (ok ? "true" : "false") << "\n" << (ok ? "" : TSysUtils::LastErrorMessage()) << "\n";
        return 0;
    }
    if (command == "windows") {
        Shared::TStringList captions;
        TSysUtils::GetWindowsCaptions(captions);
        for (const std::string& caption : captions) {
            std::cout << caption << "\n";
        }
        return 0;
    }
    std::cerr << "unknown command\n";
    return 2;
}
