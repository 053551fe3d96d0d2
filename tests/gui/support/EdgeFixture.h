#pragma once

// A top-level window holding a host control, with the control's creation events recorded.

#include "GuiTest.h"

#include "shared/host/EdgeEx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace GuiTest {

class EdgeFixture : public ::testing::Test {
protected:
    // Every test starts with no loader loaded, the given engine, a fresh data folder and a shown window.
    void StartWith(const std::string& EnginePath) {
        ASSERT_TRUE(HasDisplay()) << "run the GUI tests under scripts/with-display.sh";
        Shared::FinalizeEdgeEx();
        Shared::SetLoaderLibraryPath(EnginePath);
        setenv("WEBVIEW2_USER_DATA_FOLDER", (DataDir.Path() / "profile").c_str(), 1);
        Window = std::make_unique<TTopWindow>(800, 600);
        Window->ShowWindow();
    }

    void TearDown() override {
        Browser.reset();
        Window.reset();
        Shared::FinalizeEdgeEx();
    }

    // A host control in the window, recording OnCreateWebViewCompleted.
    Shared::TEdgeBrowser& MakeBrowser(bool RecordCompletion = true) {
        Browser = std::make_unique<Shared::TEdgeBrowser>();
        if (RecordCompletion) {
            Browser->OnCreateWebViewCompleted = [this](Shared::TCustomEdgeBrowser*, Shared::HRESULT Result) {
                Completions.push_back(Result);
            };
        }
        return *Browser;
    }

    // Gives the control its parent (which starts creation) and fills the window with it.
    void Place() {
        Browser->SetParent(Window.get());
        Browser->SetAlign(Forms::alClient);
    }

    bool WaitForCompletion(std::size_t Count = 1, int TimeoutMs = 20000) {
        return RunUntil([&] { return Completions.size() >= Count; }, TimeoutMs);
    }

    TTempDir DataDir;
    std::unique_ptr<TTopWindow> Window;
    std::unique_ptr<Shared::TEdgeBrowser> Browser;
    std::vector<Shared::HRESULT> Completions;
};

} // namespace GuiTest
