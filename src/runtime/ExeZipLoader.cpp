#include "runtime/ExeZipLoader.h"

#include "forms/StyleManager.h"
#include "platform/Environment.h"
#include "platform/LastError.h"
#include "platform/PrivateFiles.h"
#include "runtime/LocalizedMessages.h"
#include "runtime/StartupGates.h"
#include "runtime/WindowIdentity.h"
#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/Stream.h"
#include "shared/config/AppIdentity.h"
#include "shared/host/EdgeEx.h"
#include "shared/system/SysUtils.h"
#include "shared/text/TrailingSlash.h"
#include "webview2/Loader.h"

#include <filesystem>
#include <stdexcept>

namespace Runtime {

std::unique_ptr<Shared::TExeZip> ExeZip;
std::unique_ptr<Shared::TIniDocument> ProjectINI;
std::string AppID;
std::string AppName;
std::string AppDirName;
std::string AppIndexHtml;
std::string RuntimeDataDirPath;
std::string WebView2DirPath;

namespace {

std::unique_ptr<Shared::TExeUtils> ExeUtils;

// An engine extracted by an earlier start is kept as it is, unless it cannot serve this
// runtime (older than it needs, or not an engine at all) while the archive holds one. The
// usual case, the archive's own engine, is told by its size and CRC; any other file is probed
// in a child process, never loaded here: the file may have to be replaced.
bool EngineNeedsExtraction(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        return true;
    }
    if (ExeZip->FindFile(Shared::Archive::EngineEntry) < 0 ||
        ExeZip->SameAsFile(Shared::Archive::EngineEntry, path)) {
        return false;
    }
    return !WebView2::IsUsableEngine(path);
}

// The new engine goes beside the old one and is renamed over it: a running instance that has
// the old file loaded keeps its pages, and this process loads the new file afresh.
void ExtractEngine(const std::string& path) {
    // A missing entry still leaves a (empty) file: creating the browser then fails visibly.
    Shared::TMemoryStream bytes;
    ExeZip->ExtractToStream(Shared::Archive::EngineEntry, bytes);
    if (!Platform::WritePrivateFile(path, bytes.View())) {
        throw std::runtime_error("Cannot write the browser engine " + path + ": " +
                                 Platform::LastErrorText());
    }
}

// The data folder holds the browser profile (cookies, storage): for the user alone.
void CreateDataFolder(const std::string& path) {
    if (!Platform::CreatePrivateFolder(path)) {
        throw std::runtime_error("Cannot create the folder " + path + ": " + Platform::LastErrorText());
    }
}

} // namespace

void InitializeRuntime() {
    ExeUtils = std::make_unique<Shared::TExeUtils>();
    ExeZip = std::make_unique<Shared::TExeZip>();
    ProjectINI = std::make_unique<Shared::TIniDocument>();

    if (!ExeUtils->ExeHasAttachedStub()) {
        ShowLocalizedError(lmNotValidApplication);
        throw EApplicationExit{0};
    }
    ExeZip->SetPassword(Shared::Archive::Password);
    // Read where it lies in the executable, entry by entry as pages ask for them: a large file
    // the application carries costs nothing until it is used.
    ExeZip->Open(ExeUtils->OpenZipInExe());

    ProjectINI->LoadFromBytes(ExeZip->ExtractToString(Shared::Archive::IniEntry));

    AppID = ProjectINI->ReadString("App", "ID", "");
    AppName = ProjectINI->ReadString("App", "Name", "");
    AppDirName = ProjectINI->ReadString("App", "DirName", "");
    AppIndexHtml = ProjectINI->ReadString("App", "IndexHtml", "index.html");
    if (AppID.empty() || AppName.empty() || AppDirName.empty()) {
        throw EApplicationExit{0};
    }
    // The ID names the data folder, which the runtime gate may remove: anything but one plain
    // folder name ends start-up before a folder is made.
    if (const std::string fault = Shared::CheckAppID(AppID); !fault.empty()) {
        throw std::runtime_error("This application cannot start: " + fault + ".");
    }
    // From here on windows appear (the gates', the main window): each carries the application's
    // class and icon.
    ApplyApplicationIdentity();

    const std::string theme = ProjectINI->ReadString("App", "Theme", "Windows");
    if (theme != "Windows") {
        Forms::TStyleManager::TrySetStyle(theme, true);
    }

    RuntimeDataDirPath = Shared::WithTrailingSlash(Shared::TSysUtils::GetLocalAppDataDirPath() + AppID);
    CreateDataFolder(RuntimeDataDirPath);
    WebView2DirPath = RuntimeDataDirPath + "Win64/";
    Shared::SetLoaderLibraryPath(WebView2DirPath + std::string(Shared::Archive::EngineEntry));
    CreateDataFolder(WebView2DirPath);
    if (EngineNeedsExtraction(Shared::LoaderLibraryPath())) {
        ExtractEngine(Shared::LoaderLibraryPath());
    }

    Platform::SetEnvironmentVariable("WEBVIEW2_USER_DATA_FOLDER", WebView2DirPath);
    Platform::SetEnvironmentVariable(
        "WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
        "--disable-logging --disable-features=RendererCodeIntegrity --enable-features=msSpeechRecognition");
    Platform::RemoveEnvironmentVariable("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
    Platform::RemoveEnvironmentVariable("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE");

    PassStartupGates();
}

void FinalizeRuntime() {
    ExeZip.reset();
    ExeUtils.reset();
    ProjectINI.reset();
    AppID.clear();
    AppName.clear();
    AppDirName.clear();
    AppIndexHtml.clear();
    WebView2DirPath.clear();
    RuntimeDataDirPath.clear();
}

} // namespace Runtime
