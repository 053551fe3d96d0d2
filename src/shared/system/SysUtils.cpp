#include "shared/system/SysUtils.h"

#include "base/RegularFile.h"
#include "platform/ExecutablePath.h"
#include "platform/Folders.h"
#include "platform/Graphics.h"
#include "platform/LastError.h"
#include "platform/Locale.h"
#include "platform/Process.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/WindowList.h"
#include "shared/exe/ExeIcon.h"
#include "shared/text/CommandLine.h"
#include "shared/text/FileMask.h"
#include "shared/text/StrUtils.h"
#include "shared/text/TrailingSlash.h"
#include "shared/text/Unicode.h"
#include "webview2/Com.h"
#include "webview2/Loader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace Shared {

namespace fs = std::filesystem;

namespace {

bool Fail(const std::error_code& ec) {
    Platform::SetLastErrorText(ec.message());
    return false;
}

bool FailErrno(int err) {
    Platform::SetLastErrorFromErrno(err);
    return false;
}

// Where a program name without a folder is looked for: the current folder, then PATH.
std::string ResolveProgram(const std::string& path) {
    std::error_code ec;
    if (path.find('/') != std::string::npos || fs::exists(path, ec)) {
        return path;
    }
    const std::string found = Platform::FindProgramInPath(path);
    return found.empty() ? path : found;
}

} // namespace

bool TSysUtils::ShellExec(const std::string& FilePath, const std::string& Arguments) {
    if (FilePath.empty()) {
        return FailErrno(ENOENT);
    }
    if (Platform::LooksLikeUri(FilePath)) {
        return Platform::LaunchDefaultForUri(FilePath);
    }
    const std::string target = ResolveProgram(FilePath);
    switch (Platform::StartProgramFile(target, SplitCommandLine(Arguments))) {
    case Platform::TProgramStart::Started:
        return true;
    case Platform::TProgramStart::Failed:
        return false;
    case Platform::TProgramStart::NotAProgram:
        break;
    }
    // A document, also one with the executable bit (as every file on a FAT stick has): its
    // application opens it.
    return Platform::LaunchDefaultForPath(target);
}

bool TSysUtils::ShellExplore(const std::string& FilePath) {
    return Platform::ShowItemInFileManager(FilePath);
}

bool TSysUtils::ShellOpen(const std::string& FilePath) {
    return ShellExec(FilePath, "");
}

std::uint32_t TSysUtils::ShellExecAsAdminAndWait(void* /*AHandle*/, const std::string& FilePath,
                                                 const std::string& Params) {
    const std::string pkexec = Platform::FindProgramInPath("pkexec");
    if (pkexec.empty()) {
        FailErrno(ENOENT);
        return 0;
    }
    std::vector<std::string> argv{pkexec, FilePath};
    for (std::string& a : SplitCommandLine(Params)) {
        argv.push_back(std::move(a));
    }
    const auto code =
        Platform::SpawnAndWaitPumping(argv, [] { return ApplicationTerminated && ApplicationTerminated(); });
    return code ? static_cast<std::uint32_t>(*code) : 0;
}

std::string TSysUtils::GetDosOutput(const std::string& CommandLine, const std::string& WorkingDir,
                                    bool ShowWindow) {
    Platform::TOutputCapture capture;
    return GetDosOutput(CommandLine, WorkingDir, ShowWindow, SIZE_MAX, capture).Output;
}

Platform::TCapturedOutput TSysUtils::GetDosOutput(const std::string& CommandLine,
                                                  const std::string& WorkingDir, bool /*ShowWindow*/,
                                                  std::size_t MaxOutput, Platform::TOutputCapture& Capture) {
    // There is no console window to show: the output is captured either way. Decoding the
    // whole output at once keeps characters split across reads intact.
    auto result = Capture.Run({"/bin/sh", "-c", CommandLine}, WorkingDir, MaxOutput);
    if (!result) {
        return {};
    }
    if (result->End == Platform::TCaptureEnd::Exited) {
        result->Output = MakeValidUtf8(result->Output);
    } else {
        result->Output.clear(); // a part of the output says nothing reliable
    }
    return std::move(*result);
}

bool TSysUtils::ExitWindows(std::uint32_t RebootParam) {
    if ((RebootParam & EWX_REBOOT) != 0) {
        return Platform::EndSession(Platform::TSessionEnd::Reboot);
    }
    if ((RebootParam & (EWX_SHUTDOWN | EWX_POWEROFF)) != 0) {
        return Platform::EndSession(Platform::TSessionEnd::PowerOff);
    }
    return Platform::EndSession(Platform::TSessionEnd::Logoff);
}

void TSysUtils::GetWindowsCaptions(TStringList& WindowsCaptionsList) {
    TStringList captions;
    for (std::string& caption : Platform::TopLevelWindowCaptions()) {
        if (!TStrUtils::Trim(caption).empty()) {
            captions.push_back(std::move(caption));
        }
    }
    WindowsCaptionsList = std::move(captions);
}

std::string TSysUtils::GetUserDesktopDirPath() {
    return WithTrailingSlash(Platform::UserDesktopDir());
}

std::string TSysUtils::GetUserDocumentsDirPath() {
    return WithTrailingSlash(Platform::UserDocumentsDir());
}

std::string TSysUtils::GetUserAppDataDirPath() {
    return WithTrailingSlash(Platform::UserConfigDir());
}

std::string TSysUtils::GetLocalAppDataDirPath() {
    return WithTrailingSlash(Platform::UserDataDir());
}

std::string TSysUtils::GetTempDirPath() {
    return WithTrailingSlash(Platform::TempDir());
}

bool TSysUtils::DeleteDirectory(const std::string& DirPath) {
    std::error_code ec;
    if (DirPath.empty() || !fs::exists(fs::symlink_status(DirPath, ec))) {
        return FailErrno(ENOENT);
    }
    fs::remove_all(DirPath, ec);
    return ec ? Fail(ec) : true;
}

bool TSysUtils::CheckEdgeIsInstalled(const std::string& EdgeLoaderDllPath) {
    std::error_code ec;
    if (EdgeLoaderDllPath.empty() || !fs::is_regular_file(EdgeLoaderDllPath, ec)) {
        return FailErrno(ENOENT);
    }
    std::string why;
    const auto library = WebView2::TEngineLibrary::Load(EdgeLoaderDllPath, &why);
    if (!library) {
        Platform::SetLastErrorText(why);
        return false;
    }
    // Only the text counts: an engine may report success without one, or fail with one.
    WebView2::LPSTR version = nullptr;
    library->GetAvailableCoreWebView2BrowserVersionString(nullptr, &version);
    return !WebView2::TakeString(version).empty();
}

bool TSysUtils::RestartApplication() {
    const bool started = ShellOpen(Platform::GetExecutablePath());
    if (TerminateApplication) {
        TerminateApplication();
    }
    return started;
}

std::uint32_t TSysUtils::ExecAndWait(const std::string& CommandLine) {
    const auto code = Platform::SpawnAndWait(SplitCommandLine(CommandLine), false);
    return code ? static_cast<std::uint32_t>(*code) : 0;
}

void TSysUtils::ExecCmd(const std::string& CMD, bool Wait) {
    if (Wait) {
        Platform::SpawnAndWait(SplitCommandLine(CMD), true);
    } else {
        Platform::SpawnInNewProcessGroup(SplitCommandLine(CMD));
    }
}

bool TSysUtils::EditWithMSPaint(const std::string& FilePath) {
    return Platform::LaunchDefaultImageEditor(FilePath);
}

bool TSysUtils::CopyFile(const std::string& FromPath, const std::string& ToPath) {
    std::error_code ec;
    fs::path target(ToPath);
    if (fs::is_directory(target, ec)) {
        target /= fs::path(FromPath).filename();
    }
    fs::copy_file(FromPath, target, fs::copy_options::overwrite_existing, ec);
    return ec ? Fail(ec) : true;
}

bool TSysUtils::CopyDirectory(const std::string& FromDirPath, const std::string& ToDirPath) {
    std::error_code ec;
    fs::create_directories(ToDirPath, ec);
    if (!ec) {
        fs::copy(FromDirPath, ToDirPath, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
                 ec);
    }
    return ec ? Fail(ec) : true;
}

std::string TSysUtils::ExpandFileNameRelBaseDir(const std::string& FileName, const std::string& BaseDir) {
    const fs::path name(FileName);
    const fs::path full = name.is_absolute() ? name : fs::path(WithTrailingSlash(BaseDir)) / name;
    return full.lexically_normal().string();
}

std::string TSysUtils::GetParentDirPath(const std::string& Path) {
    std::error_code ec;
    const fs::path full = fs::absolute(fs::path(Path) / "..", ec).lexically_normal();
    return WithTrailingSlash(full.string());
}

std::string TSysUtils::GetProgramFilesDirPath() {
    return "/usr/";
}

std::string TSysUtils::GetSystemAppsDirPath() {
    return "/usr/share/applications/";
}

std::string TSysUtils::GetLnkFilePath(const std::string& LnkFilePath) {
    return Platform::ShortcutTarget(LnkFilePath);
}

bool TSysUtils::PressKey(unsigned VirtualKey) {
    return Platform::PressVirtualKey(VirtualKey);
}

bool TSysUtils::ExtractExeIcon(const std::string& FilePath, Forms::TRasterImage& Bitmap) {
    constexpr int IconSize = 32;
    std::ifstream in(FilePath, std::ios::binary);
    if (!in) {
        return FailErrno(ENOENT);
    }
    char magic[2] = {};
    in.read(magic, sizeof magic);
    Platform::TPixelImage image;
    if (in.gcount() == 2 && magic[0] == 'M' && magic[1] == 'Z') {
        in.seekg(0);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string icon;
        try {
            icon = ExtractExeIconFile(TPeImage(std::move(bytes)), IconSize);
        } catch (const std::exception& e) {
            Platform::SetLastErrorText(e.what());
            return false;
        }
        if (icon.empty()) {
            Platform::SetLastErrorText("The file has no icon");
            return false;
        }
        if (!Platform::DecodeImage(icon, image)) {
            return false;
        }
    } else if (!Platform::FileIconImage(FilePath, IconSize, image)) {
        return false;
    }
    Bitmap.Width = image.Width;
    Bitmap.Height = image.Height;
    Bitmap.Pixels = std::move(image.Pixels);
    return true;
}

std::string TSysUtils::GetComputerNetName() {
    return Platform::HostName();
}

std::string TSysUtils::GetUserFromWindows() {
    const std::string name = Platform::UserLoginName();
    return name.empty() ? std::string("Unknown") : name;
}

void TSysUtils::GetDirectoryFiles(const std::string& RootDir, bool IncludeDirs, TStringList& FileList,
                                  const std::string& FileMask) {
    FileList.clear();
    std::error_code ec;
    if (!fs::is_directory(RootDir, ec)) {
        return;
    }
    TStringList dirs;
    TStringList files;
    for (const auto& entry : fs::directory_iterator(RootDir, ec)) {
        if (!MatchesFileMask(entry.path().filename().string(), FileMask)) {
            continue;
        }
        std::error_code typeError;
        if (entry.is_directory(typeError)) {
            if (IncludeDirs) {
                dirs.push_back(entry.path().string());
            }
        } else {
            files.push_back(entry.path().string());
        }
    }
    std::sort(dirs.begin(), dirs.end());
    std::sort(files.begin(), files.end());
    FileList = std::move(dirs);
    FileList.insert(FileList.end(), files.begin(), files.end());
}

std::int64_t TSysUtils::GetSizeOfFile(const std::string& FilePath) {
    std::error_code ec;
    const auto status = fs::status(FilePath, ec);
    if (ec || !fs::exists(status)) {
        return -1;
    }
    if (fs::is_directory(status)) {
        return 0;
    }
    const auto size = fs::file_size(FilePath, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::int64_t TSysUtils::GetSizeOfDir(const std::string& DirPath, bool IncludeSubdirs) {
    TStringList entries;
    GetDirectoryFiles(DirPath, IncludeSubdirs, entries, "*.*");
    std::int64_t total = 0;
    for (const std::string& entry : entries) {
        total += GetSizeOfFile(entry);
    }
    return total;
}

int TSysUtils::GetSubdirectoriesCount(const std::string& DirPath) {
    std::error_code ec;
    if (!fs::is_directory(DirPath, ec)) {
        return 0;
    }
    int count = 0;
    for (const auto& entry : fs::directory_iterator(DirPath, ec)) {
        std::error_code typeError;
        count += entry.is_directory(typeError) ? 1 : 0;
    }
    return count;
}

bool TSysUtils::FilesHaveSameDateTime(const std::string& File1Path, const std::string& File2Path) {
    using namespace std::chrono;
    const auto millis = [](const std::string& path) {
        std::error_code ec;
        const auto time = fs::last_write_time(path, ec);
        if (ec) {
            throw ESysUtilsError("File not found: " + path);
        }
        return duration_cast<milliseconds>(time.time_since_epoch()).count();
    };
    return millis(File1Path) == millis(File2Path);
}

int TSysUtils::TrueFontWidth(const TFontDescription& AFont, const std::string& Str) {
    return Platform::TextWidth(AFont.Name, AFont.Size, AFont.Bold, AFont.Italic, Str);
}

bool TSysUtils::IsValidFilePath(const std::string& FileName) {
    if (FileName.empty() || FileName.size() >= 4096 || FileName.find('\0') != std::string::npos) {
        return false;
    }
    for (const auto& part : fs::path(FileName)) {
        if (part.string().size() > 255) {
            return false;
        }
    }
    return true;
}

void TSysUtils::RemoveUTFBoomFromFile(const std::string& FilePath) {
    std::string content;
    if (Base::ReadRegularFile(FilePath, content) != Base::TFileRead::Read ||
        content.rfind("\xEF\xBB\xBF", 0) != 0) {
        return;
    }
    std::ofstream out(FilePath, std::ios::binary | std::ios::trunc);
    out.write(content.data() + 3, static_cast<std::streamsize>(content.size() - 3));
}

std::string TSysUtils::FormatByteSize(std::int64_t Bytes) {
    const auto format = [](double value, const char* unit) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
        std::string text(buffer, result.ptr);
        // "#.##": at most two decimals, none shown when they are zero.
        while (!text.empty() && text.back() == '0') {
            text.pop_back();
        }
        if (!text.empty() && text.back() == '.') {
            text.pop_back();
        }
        const auto dot = text.find('.');
        if (dot != std::string::npos) {
            text.replace(dot, 1, Platform::UserDecimalSeparator());
        }
        return text + " " + unit;
    };
    const auto b = static_cast<double>(Bytes);
    if (Bytes > 1073741824) {
        return format(b / 1073741824.0, "GB");
    }
    if (Bytes > 1048576) {
        return format(b / 1048576.0, "MB");
    }
    if (Bytes > 1024) {
        return format(b / 1024.0, "KB");
    }
    return format(b, "bytes");
}

std::string TSysUtils::LastErrorMessage() {
    std::string text = Platform::LastErrorText();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == '.' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

} // namespace Shared
