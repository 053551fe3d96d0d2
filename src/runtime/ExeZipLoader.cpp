#include "runtime/ExeZipLoader.h"

#include "forms/StyleManager.h"
#include "platform/Environment.h"
#include "runtime/LocalizedMessages.h"
#include "runtime/StartupGates.h"
#include "shared/ArchiveConventions.h"
#include "shared/EdgeEx.h"
#include "shared/Stream.h"
#include "shared/SysUtils.h"
#include "webview2/Loader.h"

#include <filesystem>

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
// The archive's bytes; the reader borrows them until the process ends.
std::unique_ptr<Shared::TMemoryStream> ArchiveStream;

std::string WithTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

// An engine extracted by an earlier start is kept as it is, unless it cannot serve this
// runtime (older than it needs, or not an engine at all) while the archive holds one. The
// usual case, the archive's own engine, is told by its size and CRC without loading it.
bool EngineNeedsExtraction(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return true;
    }
    if (ExeZip->FindFile(Shared::Archive::EngineEntry) < 0 ||
        ExeZip->SameAsFile(Shared::Archive::EngineEntry, path)) {
        return false;
    }
    return WebView2::TEngineLibrary::Load(path) == nullptr;
}

void ExtractEngine(const std::string& path) {
    // A missing entry still leaves a (empty) file: creating the browser then fails visibly.
    Shared::TMemoryStream bytes;
    ExeZip->ExtractToStream(Shared::Archive::EngineEntry, bytes);
    Shared::TFileStream file(path, Shared::TFileMode::Create);
    file.Write(bytes.View());
    file.Close();
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
    ArchiveStream = std::make_unique<Shared::TMemoryStream>();
    ExeUtils->GetZipFromExe(*ArchiveStream);
    ArchiveStream->SetPosition(0);
    ExeZip->Open(*ArchiveStream);

    ProjectINI->LoadFromBytes(ExeZip->ExtractToString(Shared::Archive::IniEntry));

    AppID = ProjectINI->ReadString("App", "ID", "");
    AppName = ProjectINI->ReadString("App", "Name", "");
    AppDirName = ProjectINI->ReadString("App", "DirName", "");
    AppIndexHtml = ProjectINI->ReadString("App", "IndexHtml", "index.html");
    if (AppID.empty() || AppName.empty() || AppDirName.empty()) {
        throw EApplicationExit{0};
    }

    const std::string theme = ProjectINI->ReadString("App", "Theme", "Windows");
    if (theme != "Windows") {
        Forms::TStyleManager::TrySetStyle(theme, true);
    }

    RuntimeDataDirPath = WithTrailingSlash(Shared::TSysUtils::GetLocalAppDataDirPath() + AppID);
    std::filesystem::create_directories(RuntimeDataDirPath);
    WebView2DirPath = RuntimeDataDirPath + "Win64/";
    Shared::SetLoaderLibraryPath(WebView2DirPath + std::string(Shared::Archive::EngineEntry));
    std::filesystem::create_directories(WebView2DirPath);
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
