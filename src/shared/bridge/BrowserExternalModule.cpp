#include "shared/bridge/BrowserExternalModule.h"

#include "forms/Application.h"
#include "shared/bridge/BrowserExternalForm.h"
#include "shared/host/BrowserForm.h"
#include "shared/text/StrUtils.h"

#include <iostream>

namespace Shared {

TBrowserExternalModule::TBrowserExternalModule() {
    DataModuleCreate();
}

TBrowserExternalModule::~TBrowserExternalModule() {
    DataModuleDestroy();
}

// What the module borrows, and whom it tells.
void TBrowserExternalModule::ClearReferences() {
    FExeZip = nullptr;
    FMainForm = nullptr;
    FProjectINI = nullptr;
    FBrowserForm = nullptr;
    OnAppCloseRequest = nullptr;
    OnCallsReturned = nullptr;
}

void TBrowserExternalModule::DataModuleCreate() {
    ClearReferences();
    FInFullscreen = false;
    FFileOpenDialog = std::make_unique<Forms::TFileOpenDialog>();
    FFileSaveDialog = std::make_unique<Forms::TFileSaveDialog>();
    FAlive = std::make_shared<TBrowserExternalModule*>(this);
    FBrowserExternalForm = std::make_unique<TBrowserExternalForm>();
}

void TBrowserExternalModule::DataModuleDestroy() {
    FAlive.reset();
    ClearReferences();
    FBrowserExternalForm.reset();
}

void TBrowserExternalModule::EdgeBrowserWebMessageReceived(TCustomEdgeBrowser*,
                                                           TWebMessageReceivedEventArgs* Args) {
    WebView2::LPSTR asString = nullptr;
    Args->ArgsInterface()->TryGetWebMessageAsString(&asString);
    WebView2::LPSTR asJson = nullptr;
    Args->ArgsInterface()->get_WebMessageAsJson(&asJson);
    HandleWebMessage(WebView2::TakeString(asString), WebView2::TakeString(asJson));
}

void TBrowserExternalModule::HandleWebMessage(const std::string& AsString, const std::string& AsJson) {
    FPending.emplace_back(AsString, AsJson);
    if (FDispatching) {
        return; // the running call's loop below takes it when that call has returned
    }
    FDispatching = true;
    while (!FPending.empty()) {
        auto [text, json] = std::move(FPending.front());
        FPending.pop_front();
        // A page's malformed message must neither block the window nor end the process:
        // errors stop here and are reported on standard error.
        try {
            Dispatch(text, json);
        } catch (const std::exception& e) {
            std::cerr << "vtr: bridge request not answered: " << e.what() << std::endl;
        } catch (...) {
            std::cerr << "vtr: bridge request not answered" << std::endl;
        }
    }
    FDispatching = false;
    if (OnCallsReturned) {
        OnCallsReturned(this);
    }
}

void TBrowserExternalModule::Dispatch(const std::string& AsString, const std::string& AsJson) {
    if (FExeZip == nullptr && AsString == "vtr-webbrowser-clicked") {
        FocusBrowser();
        return;
    }
    const TBridgeRequest request = ParseBridgeRequest(AsJson);
    int id = 0;
    if (!TStrUtils::TryStrToInt(request.IdText, id)) {
        return;
    }
    const auto& table = Functions();
    const auto found = table.find(id);
    if (found == table.end()) {
        return;
    }
    const TFunctionEntry& entry = found->second;
    if (entry.RuntimeOnlyMessage != nullptr && FExeZip == nullptr) {
        Forms::Application().MessageBox(entry.RuntimeOnlyMessage, Forms::Application().Title(), Forms::MB_OK);
        return;
    }
    (this->*entry.Function)(request.Uuid, request.Data);
}

void TBrowserExternalModule::FocusBrowser() {
    if (FBrowserForm == nullptr) {
        return;
    }
    TEdgeBrowser* edge = FBrowserForm->EdgeBrowser();
    if (edge != nullptr && edge->Parent() != nullptr && edge->Parent()->Parent() != nullptr) {
        edge->Parent()->Parent()->SetFocus();
    }
    if (edge != nullptr) {
        edge->SetFocus();
    }
}

bool TBrowserExternalModule::GetRequiredTextArg(const std::string& Uuid, const nlohmann::json& Data,
                                                std::string_view Name, std::string& Value,
                                                std::string_view MissingText) {
    Value = GetTextArg(Data, Name, "");
    if (!Value.empty()) {
        return true;
    }
    PostFailure(Uuid,
                TextResult(MissingText.empty() ? "Missing " + std::string(Name) : std::string(MissingText)));
    return false;
}

void TBrowserExternalModule::PostReply(const std::string& Uuid, const std::string& Result, bool Success) {
    const std::string reply = FormatBridgeReply(Uuid, Result, Success);
    if (OnPostReply) {
        OnPostReply(reply);
        return;
    }
    if (FBrowserForm == nullptr || FBrowserForm->EdgeBrowser() == nullptr) {
        return;
    }
    if (WebView2::ICoreWebView2* webView = FBrowserForm->EdgeBrowser()->DefaultInterface()) {
        webView->PostWebMessageAsJson(reply.c_str());
    }
}

} // namespace Shared
