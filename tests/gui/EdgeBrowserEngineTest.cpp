// The host control over the real WebKitGTK engine, end to end under Xvfb: pages served by the
// host, web messages both ways, scripts, navigation events, the web process, previews.

#include "support/WebKitFixture.h"

#include "webview2/Loader.h"
#include "webview2/Streams.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <unistd.h>

using namespace GuiTest;
using Shared::TCustomEdgeBrowser;
using testing::ElementsAre;
using WebView2::HRESULT;

namespace {

using EngineTest = WebKitFixture;

TEST_F(EngineTest, APageMessageReachesTheHostAndTheReplyReachesThePage) {
    Site["index.html"].Content = R"(<!DOCTYPE html><html><head><title>Messages</title><script>
        window.chrome.webview.addEventListener('message', (e) => {
          window.chrome.webview.postMessage({ echo: e.data.n, uuid: e.data.uuid });
        });
        window.addEventListener('load', () => window.chrome.webview.postMessage({ hello: 'wörld' }));
        </script></head><body></body></html>)";
    CreateServingBrowser();
    std::vector<std::string> messages;
    std::vector<std::string> sources;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser* Sender,
                                        Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR json = nullptr;
        (*Args)->get_WebMessageAsJson(&json);
        messages.push_back(WebView2::TakeString(json));
        WebView2::LPSTR source = nullptr;
        (*Args)->get_Source(&source);
        sources.push_back(WebView2::TakeString(source));
        if (messages.size() == 1) {
            Sender->DefaultInterface()->PostWebMessageAsJson(R"({"uuid": "u-1", "n": 7})");
        }
    };
    ASSERT_TRUE(Open("file:///index.html"));
    ASSERT_TRUE(RunUntil([&] { return messages.size() >= 2; }));
    EXPECT_EQ(nlohmann::json::parse(messages[0]), nlohmann::json({{"hello", "wörld"}}));
    EXPECT_EQ(nlohmann::json::parse(messages[1]), nlohmann::json({{"echo", 7}, {"uuid", "u-1"}}));
    EXPECT_THAT(sources, ElementsAre("file:///index.html", "file:///index.html"));
    // Only JSON is accepted as a JSON message: anything else never reaches the page as script.
    EXPECT_EQ(Browser->DefaultInterface()->PostWebMessageAsJson("1); alert(2"), WebView2::E_INVALIDARG);
}

TEST_F(EngineTest, StringMessagesComeBackAsStrings) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    std::vector<std::string> strings;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR text = nullptr;
        const HRESULT hr = (*Args)->TryGetWebMessageAsString(&text);
        strings.push_back(hr >= 0 ? WebView2::TakeString(text) : "<not a string>");
    };
    Eval("window.chrome.webview.postMessage('vtr-webbrowser-clicked'); "
         "window.chrome.webview.postMessage([1]); 0");
    ASSERT_TRUE(RunUntil([&] { return strings.size() == 2; }));
    EXPECT_THAT(strings, ElementsAre("vtr-webbrowser-clicked", "<not a string>"));
}

TEST_F(EngineTest, ExecuteScriptAnswersJson) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1 + 1", "2"},
        {"({a: [1, 'x'], b: null})", R"({"a":[1,"x"],"b":null})"},
        {"document.getElementById('p').textContent", "\"hello\""},
        {"undefined", "null"},
        {"throw new Error('no')", "null"},
    };
    for (const auto& [script, json] : cases) {
        EXPECT_EQ(nlohmann::json::parse(Eval(script)), nlohmann::json::parse(json)) << script;
    }
}

TEST_F(EngineTest, NavigateBeforeCreationOpensOnceReady) {
    MakeServingBrowser();
    Browser->Navigate("file:///index.html");
    Place();
    ASSERT_TRUE(RunUntil([&] { return !Navigations.empty(); }, 30000));
    EXPECT_TRUE(Navigations[0].first);
    EXPECT_EQ(Browser->LocationURL(), "file:///index.html");
    EXPECT_EQ(Browser->DocumentTitle(), "Test page");
}

TEST_F(EngineTest, SizeRatioSizesThePage) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    Browser->SetAlign(Forms::alNone);
    Browser->SetBounds(0, 0, 801, 600);
    Browser->SetSizeRatio(0.5);
    WebView2::RECT bounds;
    Browser->ControllerInterface()->get_Bounds(&bounds);
    EXPECT_EQ(bounds, (WebView2::RECT{0, 0, 400, 300}));
    EXPECT_TRUE(
        RunUntil([&] { return Eval("[window.innerWidth, window.innerHeight]") == "[400,300]"; }, 10000))
        << Eval("[window.innerWidth, window.innerHeight]");
}

TEST_F(EngineTest, NavigationEventsArriveInOrder) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    std::vector<std::string> events;
    Browser->OnNavigationStarting = [&](TCustomEdgeBrowser*, Shared::TNavigationStartingEventArgs* Args) {
        WebView2::LPSTR uri = nullptr;
        (*Args)->get_Uri(&uri);
        events.push_back("starting " + WebView2::TakeString(uri));
    };
    Browser->OnSourceChanged = [&](TCustomEdgeBrowser* Sender, bool NewDocument) {
        events.push_back("source " + Sender->LocationURL() + (NewDocument ? " new" : " same"));
    };
    Browser->OnContentLoading = [&](TCustomEdgeBrowser*, bool ErrorPage, Shared::TUInt64) {
        events.push_back(ErrorPage ? "loading error page" : "loading");
    };
    Browser->OnHistoryChanged = [&](TCustomEdgeBrowser*) { events.push_back("history"); };
    Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser*, const std::string& Title) {
        events.push_back("title " + Title);
    };
    Browser->OnNavigationCompleted = [&](TCustomEdgeBrowser*, bool Success, Shared::TOleEnum) {
        events.push_back(Success ? "completed" : "failed");
    };
    // Started by the page, not the host: WebKit reports it in another order than WebView2.
    Eval("document.getElementById('link').click(); 0");
    ASSERT_TRUE(RunUntil([&] { return !events.empty() && events.back() == "completed"; }));
    EXPECT_THAT(events, ElementsAre("starting file:///second.html", "source file:///second.html new",
                                    "loading", "history", "title Second page", "completed"));

    // A navigation inside the document: source and history only.
    events.clear();
    Eval("location.hash = 'part'; 0");
    ASSERT_TRUE(RunUntil([&] { return events.size() >= 2; }));
    RunFor(200);
    EXPECT_THAT(events, ElementsAre("source file:///second.html#part same", "history"));
}

TEST_F(EngineTest, AKilledWebProcessRaisesProcessFailedAndShowsAReloadLink) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    const std::uint32_t pid = Browser->BrowserProcessID();
    ASSERT_NE(pid, 0u);
    ASSERT_NE(pid, static_cast<std::uint32_t>(getpid()));
    std::vector<Shared::TOleEnum> failures;
    std::vector<bool> loadingErrorPage;
    Browser->OnProcessFailed = [&](TCustomEdgeBrowser*, Shared::TOleEnum Kind) { failures.push_back(Kind); };
    Browser->OnContentLoading = [&](TCustomEdgeBrowser*, bool ErrorPage, Shared::TUInt64) {
        loadingErrorPage.push_back(ErrorPage);
    };
    ASSERT_EQ(kill(static_cast<pid_t>(pid), SIGKILL), 0);
    ASSERT_TRUE(RunUntil([&] { return !failures.empty(); }));
    EXPECT_THAT(failures, ElementsAre(WebView2::COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED));

    // The error page, and no reload by itself.
    ASSERT_TRUE(RunUntil([&] { return !loadingErrorPage.empty(); }));
    EXPECT_TRUE(loadingErrorPage[0]);
    RunFor(500);
    EXPECT_EQ(Eval("document.title"), "\"This page is having a problem\"");
    EXPECT_EQ(Browser->LocationURL(), "file:///index.html");
    EXPECT_NE(Browser->BrowserProcessID(), pid);

    // The link loads the page again.
    const std::size_t before = Navigations.size();
    Eval("document.getElementById('vtr-reload').click(); 0");
    ASSERT_TRUE(RunUntil([&] { return Navigations.size() > before; }));
    EXPECT_TRUE(Navigations.back().first);
    EXPECT_EQ(Browser->DocumentTitle(), "Test page");
}

std::string DecodedSize(const std::string& Image) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(Image.data()),
                                                 Image.size(), nullptr) &&
                         gdk_pixbuf_loader_close(loader, nullptr);
    std::string size = "undecodable";
    GdkPixbuf* pixbuf = written ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf != nullptr) {
        GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
        size = std::string(gdk_pixbuf_format_get_name(format)) + " " +
               std::to_string(gdk_pixbuf_get_width(pixbuf)) + "x" +
               std::to_string(gdk_pixbuf_get_height(pixbuf));
    }
    g_object_unref(loader);
    return size;
}

TEST_F(EngineTest, CapturePreviewWritesImagesThatDecode) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    Browser->SetAlign(Forms::alNone);
    Browser->SetBounds(0, 0, 320, 200);
    RunUntil([&] { return Eval("window.innerWidth") == "320"; }, 10000);
    std::vector<HRESULT> results;
    Browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser*, HRESULT Result) {
        results.push_back(Result);
    };

    std::stringstream png;
    Browser->CapturePreview(png, Shared::TPreviewFormat::PNG);
    ASSERT_TRUE(RunUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(results[0], WebView2::S_OK);
    EXPECT_EQ(DecodedSize(png.str()), "png 320x200");

    const auto file = DataDir.Path() / "preview.jpg";
    Browser->CapturePreview(file.string(), Shared::TPreviewFormat::JPEG);
    ASSERT_TRUE(RunUntil([&] { return results.size() == 2; }));
    EXPECT_EQ(results[1], WebView2::S_OK);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(DecodedSize(std::string(std::istreambuf_iterator<char>(in), {})), "jpeg 320x200");
}

TEST_F(EngineTest, ModulesFetchAndWorkersLoadThroughTheHost) {
    Site["index.html"].Content = R"(<!DOCTYPE html><html><head><title>App</title>
        <script type="module">
          import { answer } from './lib/answer.js';
          const response = await fetch('data/list.json');
          const list = await response.json();
          const worker = new Worker('worker.js#named', { type: 'module' });
          worker.onmessage = (e) => window.chrome.webview.postMessage({
            answer, list, worker: e.data, type: response.headers.get('content-type'),
            scheme: location.protocol });
          worker.postMessage(2);
        </script></head><body></body></html>)";
    Site["lib/answer.js"] = {"export const answer = 42;", "text/javascript"};
    Site["data/list.json"] = {R"(["a","b"])", "application/json"};
    Site["worker.js"] = {"import { answer } from './lib/answer.js';\n"
                         "onmessage = (e) => postMessage(e.data * answer);",
                         "text/javascript"};
    CreateServingBrowser();
    std::string message;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR json = nullptr;
        (*Args)->get_WebMessageAsJson(&json);
        message = WebView2::TakeString(json);
    };
    ASSERT_TRUE(Open("file:///index.html"));
    ASSERT_TRUE(RunUntil([&] { return !message.empty(); })) << testing::PrintToString(Requests);
    const auto result = nlohmann::json::parse(message);
    EXPECT_EQ(result["answer"], 42);
    EXPECT_EQ(result["list"], nlohmann::json({"a", "b"}));
    EXPECT_EQ(result["worker"], 84);
    EXPECT_EQ(result["type"], "application/json; charset=utf-8");
    EXPECT_EQ(result["scheme"], "vtr-file:");
    // The host sees file:/// URLs, never with a fragment.
    EXPECT_THAT(Requests, testing::Contains("file:///worker.js"));
    for (const std::string& request : Requests) {
        EXPECT_EQ(request.rfind("file:///", 0), 0u) << request;
        EXPECT_EQ(request.find('#'), std::string::npos) << request;
    }
}

TEST_F(EngineTest, UnansweredFileRequestsAreReadFromDiskOrFail) {
    const auto page = DataDir.Path() / "disk page.html";
    std::ofstream(page) << "<!DOCTYPE html><title>From disk</title><p>disk</p>";
    CreateServingBrowser();
    char* uri = g_filename_to_uri(page.c_str(), nullptr, nullptr);
    const std::string pageUri = uri;
    g_free(uri);
    EXPECT_EQ(pageUri.find(' '), std::string::npos);
    ASSERT_TRUE(Open(pageUri));
    // Shown sandboxed (the host did not vouch for it), so its title is read from WebKit, which
    // may report it just after the load.
    EXPECT_TRUE(RunUntil([&] { return Browser->DocumentTitle() == "From disk"; }))
        << Browser->DocumentTitle();

    std::vector<bool> errorPages;
    Browser->OnContentLoading = [&](TCustomEdgeBrowser*, bool ErrorPage, Shared::TUInt64) {
        errorPages.push_back(ErrorPage);
    };
    EXPECT_FALSE(Open("file:///no/such/file.html"));
    ASSERT_TRUE(RunUntil([&] { return !errorPages.empty(); }));
    EXPECT_TRUE(errorPages[0]);
}

TEST_F(EngineTest, WebMessagesAreDroppedWhileDisabled) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    int received = 0;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs*) {
        ++received;
    };
    Browser->SetWebMessageEnabled(false);
    Eval("window.chrome.webview.postMessage('one'); 0");
    RunFor(300);
    EXPECT_EQ(received, 0);
    Browser->SetWebMessageEnabled(true);
    Eval("window.chrome.webview.postMessage('two'); 0");
    EXPECT_TRUE(RunUntil([&] { return received == 1; }));
}

TEST_F(EngineTest, WebsiteDataLivesInTheUserDataFolder) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    Eval("localStorage.setItem('k', 'v'); document.cookie = 'c=1; max-age=3600'; 0");
    EXPECT_EQ(Eval("localStorage.getItem('k')"), "\"v\"");
    const auto profile = DataDir.Path() / "profile";
    EXPECT_TRUE(std::filesystem::is_directory(profile));
    EXPECT_TRUE(RunUntil([&] { return std::filesystem::exists(profile / "Cookies.sqlite"); }, 10000));
}

TEST_F(EngineTest, CloseBrowserProcessEndsTheWebProcessNotTheApplication) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    const std::uint32_t pid = Browser->BrowserProcessID();
    ASSERT_NE(pid, 0u);
    const auto start = std::chrono::steady_clock::now();
    Browser->CloseBrowserProcess();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
    EXPECT_FALSE(Browser->WebViewCreated());
    EXPECT_TRUE(RunUntil([&] { return kill(static_cast<pid_t>(pid), 0) != 0; }, 5000));
}

TEST_F(EngineTest, ARecreatedWindowGetsANewBrowserThatOpensThePageAgain) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    Eval("window.marker = 1; 0");
    Browser->OnCreateWebViewCompleted = [this](TCustomEdgeBrowser* Sender, HRESULT Result) {
        Completions.push_back(Result);
        Sender->AddWebResourceRequestedFilter("*", 0);
        Sender->Navigate("file:///second.html");
    };
    const std::size_t before = Navigations.size();
    Browser->RecreateWnd();
    ASSERT_TRUE(WaitForCompletion(2, 30000));
    EXPECT_EQ(Completions[1], WebView2::S_OK);
    ASSERT_TRUE(RunUntil([&] { return Navigations.size() > before; }, 30000));
    EXPECT_EQ(Browser->DocumentTitle(), "Second page");
    EXPECT_EQ(Eval("typeof window.marker"), "\"undefined\""); // a new page, not the old one
    EXPECT_TRUE(RunUntil([&] { return Eval("window.innerWidth") == "800"; }, 10000));
}

TEST_F(EngineTest, AControlDestroyedWhileItsBrowserStartsLeavesNothingBehind) {
    MakeServingBrowser();
    Place();
    RunFor(30);
    Browser.reset();
    RunFor(1500); // the browser finishes starting, finds no control, and goes
    // The window keeps working with a new control.
    CreateServingBrowser();
    EXPECT_TRUE(Open("file:///index.html"));
}

TEST_F(EngineTest, VersionsNameTheWebKitVersion) {
    MakeBrowser();
    const std::string before = Browser->BrowserVersionInfo();
    EXPECT_THAT(before, testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+"));
    Place();
    ASSERT_TRUE(WaitForCompletion(1, 30000));
    EXPECT_EQ(Browser->BrowserVersionInfo(), before);
    EXPECT_EQ(WebView2::GetAvailableBrowserVersion(WebKitEnginePath()), before);
}

} // namespace
