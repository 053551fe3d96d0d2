#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

// Runs argv[0] (searched in PATH when it has no "/") without waiting; the child is reaped
// by the system. False, with the last error set, when it cannot be started.
bool SpawnDetached(const std::vector<std::string>& Argv);

// Runs argv with standard input on /dev/null and standard output and error together into
// one pipe, in WorkingDir (the current folder when empty), and waits for the output to end
// and the process to exit. nullopt, with the last error set, when it cannot be started.
std::optional<std::string> RunCapturingOutput(const std::vector<std::string>& Argv,
                                              const std::string& WorkingDir);

// Starts argv and waits for it to exit while the GUI thread's event loop keeps running.
// Stops waiting early when Stop returns true. Returns the exit code (a signal gives 128 + signal),
// or nullopt with the last error set when it cannot be started.
std::optional<int> SpawnAndWaitPumping(const std::vector<std::string>& Argv,
                                       const std::function<bool()>& Stop);

// Starts argv and waits without limit, pumping nothing. NewProcessGroup puts the child in a
// group of its own. Returns the exit code, or nullopt when it cannot be started.
std::optional<int> SpawnAndWait(const std::vector<std::string>& Argv, bool NewProcessGroup);
bool SpawnInNewProcessGroup(const std::vector<std::string>& Argv);

std::string FindProgramInPath(const std::string& Name);
bool IsExecutableFile(const std::string& Path);

} // namespace Platform
