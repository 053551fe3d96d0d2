#include "shared/BrowserExternalModule.h"
#include "shared/ProgramVersion.h"

// Bridge functions of the application and its window.

namespace Shared {

void TBrowserExternalModule::Hello(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(ProgramVersion));
}

void TBrowserExternalModule::IsRuntime(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, BoolResult(FExeZip != nullptr));
}

void TBrowserExternalModule::AppClose(const std::string&, const nlohmann::json&) {
    if (OnAppCloseRequest) {
        OnAppCloseRequest(this);
    }
}

} // namespace Shared
