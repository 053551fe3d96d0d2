// The host control before it has a WebView (no display needed): what answers, what is
// remembered and what raises.

#include "shared/host/EdgeEx.h"

#include <gtest/gtest.h>

using Shared::TCustomEdgeBrowser;
using Shared::TEdgeBrowser;

namespace {

class EdgeBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        Shared::FinalizeEdgeEx();
        Shared::SetLoaderLibraryPath("/nonexistent/WebView2LoaderWin64.dll");
    }
    void TearDown() override { Shared::FinalizeEdgeEx(); }
    TEdgeBrowser Browser;
};

using TGetter = bool (TCustomEdgeBrowser::*)();
using TSetter = void (TCustomEdgeBrowser::*)(bool);

TEST_F(EdgeBrowserTest, SettingsRaiseWithoutAWebView) {
    const std::vector<std::pair<TGetter, TSetter>> settings = {
        {&TCustomEdgeBrowser::BuiltInErrorPageEnabled, &TCustomEdgeBrowser::SetBuiltInErrorPageEnabled},
        {&TCustomEdgeBrowser::DefaultContextMenusEnabled, &TCustomEdgeBrowser::SetDefaultContextMenusEnabled},
        {&TCustomEdgeBrowser::DefaultScriptDialogsEnabled,
         &TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled},
        {&TCustomEdgeBrowser::DevToolsEnabled, &TCustomEdgeBrowser::SetDevToolsEnabled},
        {&TCustomEdgeBrowser::ScriptEnabled, &TCustomEdgeBrowser::SetScriptEnabled},
        {&TCustomEdgeBrowser::StatusBarEnabled, &TCustomEdgeBrowser::SetStatusBarEnabled},
        {&TCustomEdgeBrowser::WebMessageEnabled, &TCustomEdgeBrowser::SetWebMessageEnabled},
        {&TCustomEdgeBrowser::ZoomControlEnabled, &TCustomEdgeBrowser::SetZoomControlEnabled},
    };
    for (const auto& [get, set] : settings) {
        for (int write = 0; write < 2; ++write) {
            try {
                if (write == 0) {
                    (Browser.*get)();
                } else {
                    (Browser.*set)(true);
                }
                ADD_FAILURE() << "no error";
            } catch (const Shared::EEdgeError& e) {
                EXPECT_STREQ(e.what(), "WebView2 not instantiated");
                EXPECT_EQ(static_cast<std::uint32_t>(e.ErrorCode()), 0x80004005u);
            }
        }
    }
}

TEST_F(EdgeBrowserTest, OperationsWithoutAWebViewDoNothingButRememberTheUrl) {
    bool scriptEvent = false;
    Browser.OnExecuteScript = [&](TCustomEdgeBrowser*, Shared::HRESULT, const std::string&) {
        scriptEvent = true;
    };
    Browser.ExecuteScript("1");
    EXPECT_FALSE(scriptEvent);
    EXPECT_FALSE(Browser.NavigateToString("<p>"));
    Browser.GoBack();
    Browser.Refresh();
    Browser.CapturePreview("/tmp/never-written.png");
    Browser.SubscribeToCDPEvent("Page.loadEventFired");
    Browser.SetZoomFactor(2.0);
    EXPECT_EQ(Browser.ZoomFactor(), 0.0);
    EXPECT_EQ(Browser.LocationURL(), "");
    EXPECT_EQ(Browser.DocumentTitle(), "");
    EXPECT_FALSE(Browser.CanGoBack());
    EXPECT_FALSE(Browser.ContainsFullScreenElement());
    EXPECT_EQ(Browser.BrowserProcessID(), 0u);
    Browser.CloseBrowserProcess();
    Browser.CloseWebView();
    Browser.CloseWebView();
    EXPECT_EQ(Browser.BrowserControlState(), Shared::TBrowserControlState::None);
    EXPECT_FALSE(Browser.WebViewCreated());

    const std::vector<std::pair<std::string, std::string>> urls = {
        {"file:///index.html", "file:///index.html"},
        {"   ", "file:///index.html"},    // blanks only: kept as it was
        {"\t\r\n", "file:///index.html"}, // control characters count as blanks
        {" page.html ", " page.html "},   // stored untrimmed
    };
    for (const auto& [url, remembered] : urls) {
        Browser.Navigate(url);
        EXPECT_EQ(Browser.LastURL(), remembered) << "'" << url << "'";
    }
}

TEST_F(EdgeBrowserTest, BrowserVersionComesFromTheLoaderWithoutAWebView) {
    EXPECT_EQ(Browser.BrowserVersionInfo(), "");
    EXPECT_EQ(static_cast<std::uint32_t>(Browser.LastErrorCode()), 0x80004005u);
    Shared::FinalizeEdgeEx();
    Shared::SetLoaderLibraryPath(VTR_TEST_ENGINE_PATH);
    EXPECT_EQ(Browser.BrowserVersionInfo(), "1.0.0.0-test");
    EXPECT_EQ(Browser.LastErrorCode(), 0);
}

TEST_F(EdgeBrowserTest, FinalizationFreesTheLoaderAndClearsThePath) {
    Shared::SetLoaderLibraryPath(VTR_TEST_ENGINE_PATH);
    EXPECT_EQ(Browser.BrowserVersionInfo(), "1.0.0.0-test");
    Shared::FinalizeEdgeEx();
    EXPECT_EQ(Shared::LoaderLibraryPath(), "");
    EXPECT_EQ(Browser.BrowserVersionInfo(), "");
}

TEST(EdgeExUnit, MasksEveryFloatingPointException) {
#if defined(__SSE__)
    unsigned mxcsr = 0;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    EXPECT_EQ(mxcsr & 0x1F80u, 0x1F80u);
#endif
}

} // namespace
