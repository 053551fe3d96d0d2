#include "webview2/Loader.h"
#include "webview2/Com.h"
#include "webview2/testengine/TestEngineControl.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace WebView2;

TEST(Loader, RefusesWhatIsNotAUsableEngine) {
    struct TCase {
        std::string Path;
        std::string Reason;
    };
    const std::vector<TCase> cases = {
        {"", "no engine library path"},
        {"/nonexistent/WebView2LoaderWin64.dll", "No such file"},
        {VTR_NOT_AN_ENGINE_PATH, "an export is missing"},
        {VTR_OLD_ENGINE_PATH, "older engine (ABI 0"},
    };
    for (const TCase& c : cases) {
        std::string error;
        EXPECT_FALSE(TEngineLibrary::Load(c.Path, &error)) << c.Path;
        EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Path << ": " << error;
        EXPECT_EQ(GetAvailableBrowserVersion(c.Path), "") << c.Path;
    }
}

TEST(Loader, LoadsAnEngineAndCallsItsExports) {
    const auto engine = TEngineLibrary::Load(VTR_TEST_ENGINE_PATH);
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->AbiVersion(), EngineAbiVersion);
    auto* control =
        reinterpret_cast<TestEngine::VtrTestEngineControlFunc>(engine->Symbol("VtrTestEngineControl"))();
    control->Reset();
    control->SetEnvironmentCompletion(TestEngine::CompleteOnCallingThread);
    EXPECT_EQ(engine->Symbol("NoSuchExport"), nullptr);

    HRESULT completed = E_FAIL;
    ComPtr<ICoreWebView2Environment> environment;
    const auto handler = Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [&](HRESULT Result, ICoreWebView2Environment* Created) {
            completed = Result;
            environment = Created;
            return S_OK;
        });
    EXPECT_EQ(engine->CreateCoreWebView2Environment(handler.Get()), S_OK);
    EXPECT_EQ(completed, S_OK);
    ASSERT_TRUE(environment);
    LPSTR version = nullptr;
    EXPECT_EQ(environment->get_BrowserVersionString(&version), S_OK);
    EXPECT_EQ(TakeString(version), "1.0.0.0-test");
    EXPECT_EQ(GetAvailableBrowserVersion(VTR_TEST_ENGINE_PATH), "1.0.0.0-test");

    // An engine that finds no browser reports none.
    setenv("VTR_TEST_ENGINE_VERSION", "none", 1);
    control->Reset();
    EXPECT_EQ(GetAvailableBrowserVersion(VTR_TEST_ENGINE_PATH), "");
    unsetenv("VTR_TEST_ENGINE_VERSION");
    control->Reset();
}

TEST(Com, CallbacksCountReferencesAndStopExceptions) {
    int calls = 0;
    auto handler = Callback<ICoreWebView2CapturePreviewCompletedHandler>([&](HRESULT) -> HRESULT {
        ++calls;
        throw std::runtime_error("escapes the handler");
    });
    EXPECT_EQ(handler->Invoke(S_OK), E_UNEXPECTED);
    EXPECT_EQ(calls, 1);
    ComPtr<IUnknown> unknown = handler.As<IUnknown>();
    ASSERT_TRUE(unknown);
    EXPECT_FALSE(handler.As<ICoreWebView2>());
    EXPECT_EQ(handler->AddRef(), 3u);
    EXPECT_EQ(handler->Release(), 2u);
}
