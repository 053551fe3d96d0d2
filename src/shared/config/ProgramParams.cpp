#include "shared/config/ProgramParams.h"

namespace Shared {

namespace {
std::vector<std::string>& Params() {
    static std::vector<std::string> params{std::string()};
    return params;
}
} // namespace

void TProgramParams::Set(const std::string& ExecutablePath, const std::vector<std::string>& Arguments) {
    std::vector<std::string> params{ExecutablePath};
    for (const std::string& argument : Arguments) {
        if (argument.empty()) {
            break;
        }
        params.push_back(argument);
    }
    Params() = std::move(params);
}

int TProgramParams::ParamCount() {
    return static_cast<int>(Params().size()) - 1;
}

std::string TProgramParams::ParamStr(int Index) {
    if (Index < 0 || Index >= static_cast<int>(Params().size())) {
        return {};
    }
    return Params()[static_cast<std::size_t>(Index)];
}

const std::vector<std::string>& TProgramParams::All() {
    return Params();
}

} // namespace Shared
