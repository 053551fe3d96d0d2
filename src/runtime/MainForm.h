#pragma once

// The application's one top-level window: it hosts the browser form over its whole client
// area, wires the bridge, applies the configured geometry and lets the page decide about
// closing.

#include "forms/Win11Forms.h"
#include "shared/bridge/BrowserExternalModule.h"
#include "shared/host/BrowserForm.h"

#include <memory>
#include <string>

namespace Runtime {

class TMainForm : public Win11Forms::TForm {
public:
    TMainForm();
    ~TMainForm() override;

    Shared::TBrowserForm* BrowserForm() const { return FBrowserForm.get(); }
    Shared::TBrowserExternalModule* BrowserExternalModule() const { return FBrowserExternalModule.get(); }
    bool CanClose() const { return FCanClose; }

    void FormCreate();
    void FormCloseQuery(Forms::TObject* Sender, bool& ACanClose);
    void FormClose(Forms::TObject* Sender, Forms::TCloseAction& Action);
    void EdgeBrowserDocumentTitleChanged(Shared::TCustomEdgeBrowser* Sender,
                                         const std::string& ADocumentTitle);
    void AppCloseRequest(Forms::TObject* Sender);

private:
    bool FCanClose = false;
    // A close came while a bridge call was running; it is made again once the call returns.
    bool FCloseAfterCalls = false;
    std::unique_ptr<Shared::TBrowserForm> FBrowserForm;
    std::unique_ptr<Shared::TBrowserExternalModule> FBrowserExternalModule;
};

} // namespace Runtime
