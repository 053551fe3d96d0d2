#pragma once

// The host control over the real WebKitGTK engine, serving a small site for file:/// requests
// as the browser form does.

#include "EdgeFixture.h"

#include "webview2/Streams.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace GuiTest {

struct TFile {
    std::string Content;
    std::string Type;
};

class WebKitFixture : public EdgeFixture {
protected:
    void SetUp() override { StartWith(WebKitEnginePath()); }

    // A host control that serves Site for file:/// requests, as the browser form does.
    Shared::TCustomEdgeBrowser& MakeServingBrowser() {
        MakeBrowser();
        Browser->OnCreateWebViewCompleted = [this](Shared::TCustomEdgeBrowser* Sender,
                                                   Shared::HRESULT Result) {
            Completions.push_back(Result);
            if (Result >= 0) {
                Sender->AddWebResourceRequestedFilter("*", 0);
            }
        };
        Browser->OnWebResourceRequested = [this](Shared::TCustomEdgeBrowser* Sender,
                                                 Shared::TWebResourceRequestedEventArgs* Args) {
            WebView2::ComPtr<WebView2::ICoreWebView2WebResourceRequest> request;
            (*Args)->get_Request(request.ReleaseAndGetAddressOf());
            WebView2::LPSTR raw = nullptr;
            request->get_Uri(&raw);
            const std::string uri = WebView2::TakeString(raw);
            Requests.push_back(uri);
            const auto file = uri.rfind("file:///", 0) == 0 ? Site.find(uri.substr(8)) : Site.end();
            if (file == Site.end()) {
                return;
            }
            WebView2::ComPtr<WebView2::ICoreWebView2WebResourceResponse> response;
            Sender->EnvironmentInterface()->CreateWebResourceResponse(
                WebView2::CreateMemoryStream(file->second.Content).Get(), 200, "OK",
                ("Content-Type: " + file->second.Type + "; charset=utf-8").c_str(),
                response.ReleaseAndGetAddressOf());
            (*Args)->put_Response(response.Get());
        };
        Browser->OnNavigationCompleted = [this](Shared::TCustomEdgeBrowser*, bool Success,
                                                Shared::TOleEnum Status) {
            Navigations.push_back({Success, Status});
        };
        return *Browser;
    }

    void CreateServingBrowser() {
        MakeServingBrowser();
        Place();
        ASSERT_TRUE(WaitForCompletion(1, 30000));
        ASSERT_EQ(Completions[0], WebView2::S_OK);
    }

    // Navigates and waits for the navigation to complete; true when it succeeded.
    bool Open(const std::string& Url) {
        const std::size_t before = Navigations.size();
        Browser->Navigate(Url);
        return RunUntil([&] { return Navigations.size() > before; }, 30000) && Navigations.back().first;
    }

    // Runs a script in the page and waits for its JSON result.
    std::string Eval(const std::string& Script) {
        std::optional<std::string> result;
        Browser->OnExecuteScript = [&](Shared::TCustomEdgeBrowser*, Shared::HRESULT,
                                       const std::string& Json) { result = Json; };
        Browser->ExecuteScript(Script);
        RunUntil([&] { return result.has_value(); }, 30000);
        Browser->OnExecuteScript = nullptr;
        return result.value_or("<no result>");
    }

    std::map<std::string, TFile> Site = {
        {"index.html",
         {"<!DOCTYPE html><html><head><title>Test page</title></head><body><p id=p>hello</p>"
          "<a id=link href=\"second.html\">next</a></body></html>",
          "text/html"}},
        {"second.html",
         {"<!DOCTYPE html><html><head><title>Second page</title></head><body>2</body></html>", "text/html"}},
    };
    std::vector<std::string> Requests;
    std::vector<std::pair<bool, Shared::TOleEnum>> Navigations;
};

} // namespace GuiTest
