#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Platform {

struct TProgramRun {
    int ExitCode = -1;  // -1 when the program did not exit by itself (a signal ended it)
    std::string Output; // standard output, then standard error
};

// Runs Argv (Argv[0] looked up on PATH when it holds no "/") with standard input on /dev/null
// and Environment set over the process's own, and waits for it to end. nullopt, with the last
// error set, when it cannot be started.
std::optional<TProgramRun> RunProgram(const std::vector<std::string>& Argv,
                                      const std::vector<std::pair<std::string, std::string>>& Environment);

} // namespace Platform
