#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "shared/BridgeFiles.h"
#include "shared/BrowserExternalModule.h"
#include "shared/BrowserForm.h"

// Bridge functions of files, folders and Base64.

namespace Shared {

namespace {

// A failure of the file layer: its own text as the reply.
class EFileError : public std::runtime_error {
public:
    EFileError() : std::runtime_error(Platform::LastErrorText()) {}
};

} // namespace

std::string TBrowserExternalModule::BridgePath(const std::string& Path) const {
    return ResolveBridgePath(Path, FBrowserForm != nullptr ? FBrowserForm->AppDirPath() : std::string());
}

void TBrowserExternalModule::FilesWriteTextFile(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string filePath = GetTextArg(Data, "filePath", "");
    if (filePath.empty()) {
        PostFailure(Uuid, TextResult("Missing filePath"));
        return;
    }
    const std::string path = BridgePath(filePath);
    Platform::CreateParentFolders(path); // a failure shows as the write's own error below
    try {
        const std::string contents = GetTextArg(Data, "contents", "");
        if (!Platform::ReplaceFileContents(path, MakeTextFileBytes(contents))) {
            throw EFileError();
        }
    } catch (const std::exception& e) {
        PostFailure(Uuid, TextResult(e.what()));
        return;
    }
    PostSuccess(Uuid, BoolResult(true));
}

} // namespace Shared
