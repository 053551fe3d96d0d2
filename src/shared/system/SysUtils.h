#pragma once

#include "forms/RasterImage.h"
#include "platform/Process.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Shared {

using TStringList = std::vector<std::string>;

// A font as TrueFontWidth measures it: family name, size in points, style.
struct TFontDescription {
    std::string Name = "Sans";
    int Size = 9;
    bool Bold = false;
    bool Italic = false;
};

// Operating-system services for the runtime. Members report failure by their result; the
// text of the failing call is then LastErrorMessage().
class TSysUtils {
public:
    TSysUtils() = delete;

    static bool ShellExec(const std::string& FilePath, const std::string& Arguments);
    static bool ShellExplore(const std::string& FilePath);
    static bool ShellOpen(const std::string& FilePath);
    // Runs FilePath elevated (pkexec) and waits while the event loop keeps running.
    // AHandle is the owner window (not owned; may be null). 0 when it cannot be started.
    static std::uint32_t ShellExecAsAdminAndWait(void* AHandle, const std::string& FilePath,
                                                 const std::string& Params);
    static std::string GetDosOutput(const std::string& CommandLine, const std::string& WorkingDir,
                                    bool ShowWindow);
    // The same with bounds: output beyond MaxOutput bytes ends the command with everything it
    // started (OutputTooLong), and Capture, cancelled from another thread, ends it early; either
    // way the output is dropped. A command that cannot be started gives the empty output.
    static Platform::TCapturedOutput GetDosOutput(const std::string& CommandLine,
                                                  const std::string& WorkingDir, bool ShowWindow,
                                                  std::size_t MaxOutput, Platform::TOutputCapture& Capture);
    static bool ExitWindows(std::uint32_t RebootParam);
    static void GetWindowsCaptions(TStringList& WindowsCaptionsList);

    static std::string GetUserDesktopDirPath();
    static std::string GetUserDocumentsDirPath();
    static std::string GetUserAppDataDirPath();
    static std::string GetLocalAppDataDirPath();
    static std::string GetTempDirPath();
    static bool DeleteDirectory(const std::string& DirPath);
    // True only when the engine library at EdgeLoaderDllPath loads and reports a browser it
    // can use (a non-empty available version).
    static bool CheckEdgeIsInstalled(const std::string& EdgeLoaderDllPath);

    // Members nothing in the runtime calls.
    static bool RestartApplication();
    static std::uint32_t ExecAndWait(const std::string& CommandLine);
    static void ExecCmd(const std::string& CMD, bool Wait);
    static bool EditWithMSPaint(const std::string& FilePath);
    static bool CopyFile(const std::string& FromPath, const std::string& ToPath);
    static bool CopyDirectory(const std::string& FromDirPath, const std::string& ToDirPath);
    static std::string ExpandFileNameRelBaseDir(const std::string& FileName, const std::string& BaseDir);
    static std::string GetParentDirPath(const std::string& Path);
    static std::string GetProgramFilesDirPath();
    static std::string GetSystemAppsDirPath();
    static std::string GetLnkFilePath(const std::string& LnkFilePath);
    static bool PressKey(unsigned VirtualKey);
    // The icon of FilePath at its own size, for the standard 32-pixel icon: a Windows
    // executable's own icon, otherwise the icon the desktop shows for the file. False when the
    // file has none.
    static bool ExtractExeIcon(const std::string& FilePath, Forms::TRasterImage& Bitmap);
    static std::string GetComputerNetName();
    static std::string GetUserFromWindows();
    static void GetDirectoryFiles(const std::string& RootDir, bool IncludeDirs, TStringList& FileList,
                                  const std::string& FileMask);
    static std::int64_t GetSizeOfFile(const std::string& FilePath);
    static std::int64_t GetSizeOfDir(const std::string& DirPath, bool IncludeSubdirs);
    static int GetSubdirectoriesCount(const std::string& DirPath);
    static bool FilesHaveSameDateTime(const std::string& File1Path, const std::string& File2Path);
    // Width in pixels of Str in AFont on the screen.
    static int TrueFontWidth(const TFontDescription& AFont, const std::string& Str);
    static bool IsValidFilePath(const std::string& FileName);
    static void RemoveUTFBoomFromFile(const std::string& FilePath);
    static std::string FormatByteSize(std::int64_t Bytes);

    // The failing call's own text, with trailing blanks, line breaks and full stops removed.
    static std::string LastErrorMessage();

    // Asked while waiting for an elevated program; the application sets it to its
    // "terminate requested" state. Empty means never.
    static inline std::function<bool()> ApplicationTerminated;
    // Asked by RestartApplication to end the running application.
    static inline std::function<void()> TerminateApplication;

    // EWX_* flags understood by ExitWindows.
    static constexpr std::uint32_t EWX_LOGOFF = 0;
    static constexpr std::uint32_t EWX_SHUTDOWN = 1;
    static constexpr std::uint32_t EWX_REBOOT = 2;
    static constexpr std::uint32_t EWX_FORCE = 4;
    static constexpr std::uint32_t EWX_POWEROFF = 8;
};

class ESysUtilsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace Shared
