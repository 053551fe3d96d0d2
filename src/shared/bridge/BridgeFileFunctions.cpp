#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "shared/bridge/BridgeFiles.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/host/BrowserForm.h"
#include "shared/system/ExecutableDir.h"
#include "shared/system/SysUtils.h"
#include "shared/text/Base64.h"

#include <filesystem>
#include <utility>

// Bridge functions of files, folders and Base64.

namespace Shared {

namespace fs = std::filesystem;

namespace {

// A failure of the file layer: its own text as the reply.
class EFileError : public std::runtime_error {
public:
    EFileError() : std::runtime_error(Platform::LastErrorText()) {}
    using std::runtime_error::runtime_error;
};

// Replaces the file at Path with Bytes in one step, or raises with the system's text.
void ReplaceFile(const std::string& Path, std::string_view Bytes) {
    if (!Platform::ReplaceFileContents(Path, Bytes)) {
        throw EFileError();
    }
}

// Replaces the file at Path with the bytes Make gives, and answers true, or the text of the
// error that either raised.
template <class F>
void AnswerWrite(TBrowserExternalModule& Module, const std::string& Uuid, const std::string& Path, F&& Make) {
    try {
        ReplaceFile(Path, Make());
    } catch (const std::exception& e) {
        Module.PostFailure(Uuid, TextResult(e.what()));
        return;
    }
    Module.PostSuccess(Uuid, BoolResult(true));
}

// Writes the file the page names in "filePath" (its folders made as needed) with the bytes Make
// gives, and answers as AnswerWrite does.
template <class F>
void AnswerPageFileWrite(TBrowserExternalModule& Module, const std::string& Uuid, const nlohmann::json& Data,
                         F&& Make) {
    std::string filePath;
    if (!Module.GetRequiredTextArg(Uuid, Data, "filePath", filePath)) {
        return;
    }
    const std::string path = Module.BridgePath(filePath);
    Platform::CreateParentFolders(path); // a failure shows as the write's own error
    AnswerWrite(Module, Uuid, path, std::forward<F>(Make));
}

} // namespace

std::string TBrowserExternalModule::AppDirPath() const {
    if (FBrowserForm != nullptr) {
        return FBrowserForm->AppDirPath();
    }
    return ExecutableDirPath();
}

std::string TBrowserExternalModule::BridgePath(const std::string& Path) const {
    return ResolveBridgePath(Path, AppDirPath());
}

void TBrowserExternalModule::FilesFileExists(const std::string& Uuid, const nlohmann::json& Data) {
    std::string filePath;
    if (!GetRequiredTextArg(Uuid, Data, "filePath", filePath)) {
        return;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(BridgePath(filePath), ec);
    PostSuccess(Uuid, BoolResult(fs::exists(status) && !fs::is_directory(status)));
}

void TBrowserExternalModule::FilesDeleteFile(const std::string& Uuid, const nlohmann::json& Data) {
    std::string filePath;
    if (!GetRequiredTextArg(Uuid, Data, "filePath", filePath)) {
        return;
    }
    PostSuccess(Uuid, BoolResult(Platform::DeleteFile(BridgePath(filePath))));
}

void TBrowserExternalModule::FilesWriteTextFile(const std::string& Uuid, const nlohmann::json& Data) {
    AnswerPageFileWrite(*this, Uuid, Data,
                        [&] { return MakeTextFileBytes(GetTextArg(Data, "contents", "")); });
}

void TBrowserExternalModule::FilesExtractFile(const std::string& Uuid, const nlohmann::json& Data) {
    std::string sourceFile;
    if (!GetRequiredTextArg(Uuid, Data, "sourceFile", sourceFile)) {
        return;
    }
    std::string targetFile;
    if (!GetRequiredTextArg(Uuid, Data, "targetFile", targetFile)) {
        return;
    }
    // The configured folder and the page's name joined as they are: no separator is added.
    const std::string dirName = FProjectINI != nullptr ? FProjectINI->ReadString("App", "DirName", "") : "";
    const std::string entry = dirName + sourceFile;
    if (FExeZip == nullptr || FExeZip->FindFile(entry) < 0) {
        PostFailure(Uuid, TextResult("File not found"));
        return;
    }
    // The target is taken as given (relative to the current folder, its folder not created).
    // A target that cannot be created is answered with the system's text, and a damaged
    // entry never replaces it.
    AnswerWrite(*this, Uuid, targetFile, [&] {
        std::string bytes = FExeZip->ExtractToString(entry);
        if (!FExeZip->LastCrcOk()) {
            throw EFileError("The file in the archive is damaged");
        }
        return bytes;
    });
}

void TBrowserExternalModule::FoldersDirExists(const std::string& Uuid, const nlohmann::json& Data) {
    std::string dirPath;
    if (!GetRequiredTextArg(Uuid, Data, "dirPath", dirPath)) {
        return;
    }
    std::error_code ec;
    PostSuccess(Uuid, BoolResult(fs::is_directory(BridgePath(dirPath), ec)));
}

void TBrowserExternalModule::FoldersDeleteDir(const std::string& Uuid, const nlohmann::json& Data) {
    std::string dirPath;
    if (!GetRequiredTextArg(Uuid, Data, "dirPath", dirPath)) {
        return;
    }
    PostSuccess(Uuid, BoolResult(TSysUtils::DeleteDirectory(BridgePath(dirPath))));
}

void TBrowserExternalModule::FoldersGetTempDir(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(TSysUtils::GetTempDirPath()));
}

void TBrowserExternalModule::FoldersGetUserDocumentsDir(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(TSysUtils::GetUserDocumentsDirPath()));
}

void TBrowserExternalModule::FoldersGetUserDesktopDir(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(TSysUtils::GetUserDesktopDirPath()));
}

void TBrowserExternalModule::FoldersGetAppExecutableDir(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(AppDirPath()));
}

void TBrowserExternalModule::FoldersGetAppDataDir(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(TSysUtils::GetUserAppDataDirPath()));
}

void TBrowserExternalModule::Base64DecodeToFile(const std::string& Uuid, const nlohmann::json& Data) {
    AnswerPageFileWrite(*this, Uuid, Data,
                        [&] { return DecodeBase64Groups(GetTextArg(Data, "contents", "")); });
}

} // namespace Shared
