#include "shared/bridge/BridgeFiles.h"
#include "shared/bridge/BrowserExternalModule.h"

// Bridge functions of the open and save dialogs. Neither fails: a dialog that is cancelled,
// or that cannot be shown, answers the empty text.

namespace Shared {

void TBrowserExternalModule::RunFileDialog(Forms::TCustomFileDialog& Dialog, const std::string& Uuid,
                                           const nlohmann::json& Data, const char* DefaultTitle) {
    Dialog.FileTypes().clear();
    Dialog.SetFileName(GetTextArg(Data, "fileName", ""));
    Dialog.SetTitle(GetTextArg(Data, "title", DefaultTitle));
    for (auto& [displayName, mask] : ParseFileTypes(GetTextArg(Data, "fileTypes", ""))) {
        Dialog.FileTypes().push_back({std::move(displayName), std::move(mask)});
    }
    PostSuccess(Uuid, TextResult(Dialog.Execute() ? Dialog.FileName() : std::string()));
}

void TBrowserExternalModule::DialogsOpenFile(const std::string& Uuid, const nlohmann::json& Data) {
    RunFileDialog(*FFileOpenDialog, Uuid, Data, "Open file");
}

void TBrowserExternalModule::DialogsSaveFile(const std::string& Uuid, const nlohmann::json& Data) {
    const bool overwritePrompt = GetBoolArg(Data, "overwritePrompt", false);
    FFileSaveDialog->SetOptions(overwritePrompt ? Forms::TFileDialogOptions{Forms::fdoOverWritePrompt} : 0u);
    RunFileDialog(*FFileSaveDialog, Uuid, Data, "Save file");
}

} // namespace Shared
