#pragma once

// The host control with the test engine loaded through the real dlopen path; the engine does
// (and fails) what each test asks.

#include "EdgeFixture.h"

#include "platform/GuiThread.h"
#include "webview2/Loader.h"
#include "webview2/testengine/TestEngineControl.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

namespace GuiTest {

namespace TE = WebView2::TestEngine;

class TestEngineFixture : public EdgeFixture {
protected:
    void SetUp() override {
        StartWith(TestEnginePath());
        Library = WebView2::TEngineLibrary::Load(TestEnginePath());
        ASSERT_TRUE(Library);
        Engine = reinterpret_cast<TE::VtrTestEngineControlFunc>(Library->Symbol("VtrTestEngineControl"))();
        Engine->Reset();
        Platform::SetGuiExceptionHandler([this](std::exception_ptr Error) { QueuedErrors.push_back(Error); });
    }

    void TearDown() override {
        EdgeFixture::TearDown();
        Platform::SetGuiExceptionHandler(nullptr);
    }

    std::vector<std::string> Calls() {
        std::vector<std::string> calls;
        for (std::size_t i = 0; i < Engine->CallCount(); ++i) {
            calls.emplace_back(Engine->Call(i));
        }
        return calls;
    }

    // The calls whose line starts with Prefix, without it.
    std::vector<std::string> CallsStartingWith(const std::string& Prefix) {
        std::vector<std::string> out;
        for (const std::string& call : Calls()) {
            if (call.rfind(Prefix, 0) == 0) {
                out.push_back(call.substr(Prefix.size()));
            }
        }
        return out;
    }

    std::size_t CountCalls(const std::string& Line) {
        const auto calls = Calls();
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), Line));
    }

    // A control in the window, created successfully.
    void CreateBrowser() {
        MakeBrowser();
        Place();
        ASSERT_TRUE(WaitForCompletion());
        ASSERT_EQ(Completions[0], WebView2::S_OK);
        ASSERT_EQ(Browser->BrowserControlState(), Shared::TBrowserControlState::Created);
    }

    // Raises a browser event through the test engine; the arguments' final state.
    nlohmann::json Raise(const std::string& Event, const std::string& Json = "{}") {
        return nlohmann::json::parse(Engine->Raise(Event.c_str(), Json.c_str()));
    }

    std::unique_ptr<WebView2::TEngineLibrary> Library;
    TE::ITestEngineControl* Engine = nullptr;
    std::vector<std::exception_ptr> QueuedErrors;
};

} // namespace GuiTest
