#pragma once

// Start-up: the attached archive, the configuration, the application's identity and folders,
// and the environment the browser engine reads.

#include "shared/archive/ExeZip.h"
#include "shared/config/IniDocument.h"
#include "shared/exe/ExeUtils.h"

#include <memory>
#include <string>

namespace Runtime {

// Process-wide objects, created by InitializeRuntime and released by FinalizeRuntime.
extern std::unique_ptr<Shared::TExeZip> ExeZip;
extern std::unique_ptr<Shared::TIniDocument> ProjectINI;
extern std::string AppID;
extern std::string AppName;
extern std::string AppDirName;
extern std::string AppIndexHtml;
extern std::string RuntimeDataDirPath;
extern std::string WebView2DirPath;

// Ends start-up early: the program entry catches it and ends the process with ExitCode.
struct EApplicationExit {
    int ExitCode = 0;
};

// Runs the start-up sequence. Returns when the application may go on; raises EApplicationExit
// for the expected exits (after the message the exit calls for, or silently).
void InitializeRuntime();
// Releases ExeZip, the executable helper and ProjectINI, in that order, and clears the identity.
void FinalizeRuntime();

} // namespace Runtime
