#pragma once

#include <string>
#include <vector>

namespace Shared {

// The program's command line: argument 0 is the running executable's full path, then the
// arguments in order. Set once by the program entry.
class TProgramParams {
public:
    TProgramParams() = delete;

    // Argv as the system handed it over; counting stops at the first empty argument.
    static void Set(const std::string& ExecutablePath, const std::vector<std::string>& Arguments);
    static int ParamCount();
    // "" for an index outside 0..ParamCount().
    static std::string ParamStr(int Index);
    static const std::vector<std::string>& All();
};

} // namespace Shared
