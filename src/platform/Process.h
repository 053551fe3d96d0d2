#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

// How StartProgramFile treated a file.
enum class TProgramStart { Started, NotAProgram, Failed };

// Starts the file at Path with Arguments (argv[0] is Path) without waiting, when it is a
// program: a regular file with the executable bit that is an ELF image or begins with "#!".
// The file is opened once and judged by what that open file holds, and an ELF image is started
// from that very file. Any other file, a document with the executable bit included, is left
// alone (NotAProgram): it is never handed to a shell. Failed, with the last error set, when the
// file cannot be opened or the program cannot be started.
TProgramStart StartProgramFile(const std::string& Path, const std::vector<std::string>& Arguments);

// How a captured command ended.
enum class TCaptureEnd { Exited, OutputTooLong, Cancelled };

struct TCapturedOutput {
    TCaptureEnd End = TCaptureEnd::Exited;
    std::string Output;
};

// Runs commands with their output captured. Each runs in a process group of its own, so that a
// command that writes too much, or that is cancelled, ends together with what it started.
class TOutputCapture {
public:
    TOutputCapture();
    ~TOutputCapture();
    TOutputCapture(const TOutputCapture&) = delete;
    TOutputCapture& operator=(const TOutputCapture&) = delete;

    // Runs Argv with standard input on /dev/null and standard output and error together into
    // one pipe, in WorkingDir (the current folder when empty), and waits for the output to end
    // and the process to exit. Output beyond MaxOutput bytes ends the command (OutputTooLong,
    // with the output cut off). nullopt, with the last error set, when it cannot be started.
    std::optional<TCapturedOutput> Run(const std::vector<std::string>& Argv, const std::string& WorkingDir,
                                       std::size_t MaxOutput);
    // From any thread: ends the running command at once (Cancelled) and every later one before
    // it starts.
    void Cancel();

private:
    int FCancelFd;
};

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

} // namespace Platform
