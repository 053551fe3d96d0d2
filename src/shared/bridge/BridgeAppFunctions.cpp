#include "platform/Locale.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/bridge/WindowBorder.h"
#include "shared/bridge/ZoomFactor.h"
#include "shared/config/ProgramParams.h"
#include "shared/config/ProgramVersion.h"
#include "shared/host/BrowserForm.h"

// Bridge functions of the application and its window. None of them fails: wrong values are
// ignored, mapped to the normal case or reset.

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

void TBrowserExternalModule::AppInFullscreen(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, BoolResult(FInFullscreen));
}

void TBrowserExternalModule::AppEnterFullscreen(const std::string&, const nlohmann::json&) {
    if (FInFullscreen) {
        return;
    }
    FInFullscreen = true;
    if (FMainForm != nullptr) {
        FMainForm->SetBorderStyle(Forms::bsNone);
        FMainForm->SetWindowState(Forms::wsMaximized);
    }
}

void TBrowserExternalModule::AppExitFullscreen(const std::string&, const nlohmann::json&) {
    if (!FInFullscreen) {
        return;
    }
    FInFullscreen = false;
    if (FMainForm != nullptr) {
        FMainForm->SetWindowState(Forms::wsNormal);
        FMainForm->SetBorderStyle(ConfiguredBorderStyle(FProjectINI));
    }
}

void TBrowserExternalModule::AppGetArgs(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, ArrayResult(TProgramParams::All()));
}

void TBrowserExternalModule::WindowGetStyle(const std::string& Uuid, const nlohmann::json&) {
    const bool onTop = FMainForm != nullptr && FMainForm->FormStyle() == Forms::fsStayOnTop;
    PostSuccess(Uuid, TextResult(onTop ? "ontop" : "normal"));
}

void TBrowserExternalModule::WindowSetStyle(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string style = GetTextArg(Data, "style", "normal");
    if (FMainForm != nullptr) {
        FMainForm->SetFormStyle(style == "ontop" ? Forms::fsStayOnTop : Forms::fsNormal);
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::WindowGetState(const std::string& Uuid, const nlohmann::json&) {
    const Forms::TWindowState state = FMainForm != nullptr ? FMainForm->WindowState() : Forms::wsNormal;
    const char* name = state == Forms::wsMinimized   ? "minimized"
                       : state == Forms::wsMaximized ? "maximized"
                                                     : "normal";
    PostSuccess(Uuid, TextResult(name));
}

void TBrowserExternalModule::WindowSetState(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string state = GetTextArg(Data, "state", "normal");
    if (FMainForm != nullptr) {
        if (state == "normal") {
            FMainForm->SetWindowState(Forms::wsNormal);
        } else if (state == "minimized") {
            FMainForm->SetWindowState(Forms::wsMinimized);
        } else if (state == "maximized") {
            FMainForm->SetWindowState(Forms::wsMaximized);
        }
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::WindowGetTitle(const std::string& Uuid, const nlohmann::json&) {
    PostSuccess(Uuid, TextResult(FMainForm != nullptr ? FMainForm->Caption() : std::string()));
}

void TBrowserExternalModule::WindowSetTitle(const std::string& Uuid, const nlohmann::json& Data) {
    const std::string title = GetTextArg(Data, "title", "");
    if (FMainForm != nullptr) {
        FMainForm->SetCaption(title);
    }
    PostSuccess(Uuid, BoolResult(true));
}

void TBrowserExternalModule::WindowGetZoom(const std::string& Uuid, const nlohmann::json&) {
    TEdgeBrowser* edge = FBrowserForm != nullptr ? FBrowserForm->EdgeBrowser() : nullptr;
    const double zoom = edge != nullptr ? edge->ZoomFactor() : 0.0;
    PostSuccess(Uuid, TextResult(FormatZoomFactor(zoom, Platform::UserDecimalSeparator())));
}

void TBrowserExternalModule::WindowSetZoom(const std::string& Uuid, const nlohmann::json& Data) {
    double factor = 1.0;
    const bool converted = TryParseZoomFactor(GetTextArg(Data, "factor", ""), factor);
    if (TEdgeBrowser* edge = FBrowserForm != nullptr ? FBrowserForm->EdgeBrowser() : nullptr) {
        edge->SetZoomFactor(converted ? factor : 1.0);
    }
    PostSuccess(Uuid, BoolResult(converted));
}

} // namespace Shared
