// The host control's events, operations, page state and settings, with the test engine
// raising the browser's events and recording the calls the control makes.

#include "support/TestEngineFixture.h"

#include "webview2/Streams.h"

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

using namespace GuiTest;
using Shared::TCustomEdgeBrowser;
using testing::ElementsAre;
using WebView2::HRESULT;

namespace {

class EventsTest : public TestEngineFixture {
protected:
    void SetUp() override {
        TestEngineFixture::SetUp();
        MakeBrowser();
        Place();
        ASSERT_TRUE(WaitForCompletion());
        ASSERT_TRUE(Browser->WebViewCreated());
        Engine->ClearCalls();
    }
};

// ---- Events -----------------------------------------------------------------------------

TEST_F(EventsTest, EventsWithArgumentObjectsHandTheBrowserArguments) {
    std::string starting;
    std::string frame;
    std::string newWindow;
    std::string message;
    std::string dialog;
    WebView2::COREWEBVIEW2_PERMISSION_KIND permission =
        WebView2::COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    std::string resource;
    auto uriOf = [](auto* Args) {
        return WebView2::TakeString([&] {
            WebView2::LPSTR uri = nullptr;
            (*Args)->get_Uri(&uri);
            return uri;
        }());
    };
    Browser->OnNavigationStarting = [&](TCustomEdgeBrowser* Sender,
                                        Shared::TNavigationStartingEventArgs* Args) {
        EXPECT_EQ(Sender, Browser.get());
        starting = uriOf(Args);
        Args->ArgsInterface()->put_Cancel(1);
    };
    Browser->OnFrameNavigationStarting =
        [&](TCustomEdgeBrowser*, Shared::TNavigationStartingEventArgs* Args) { frame = uriOf(Args); };
    Browser->OnNewWindowRequested = [&](TCustomEdgeBrowser*, Shared::TNewWindowRequestedEventArgs* Args) {
        newWindow = uriOf(Args);
        (*Args)->put_Handled(1);
    };
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR text = nullptr;
        (*Args)->TryGetWebMessageAsString(&text);
        message = WebView2::TakeString(text);
    };
    Browser->OnScriptDialogOpening = [&](TCustomEdgeBrowser*, Shared::TScriptDialogOpeningEventArgs* Args) {
        WebView2::LPSTR text = nullptr;
        (*Args)->get_Message(&text);
        dialog = WebView2::TakeString(text);
        (*Args)->Accept();
    };
    Browser->OnPermissionRequested = [&](TCustomEdgeBrowser*, Shared::TPermissionRequestedEventArgs* Args) {
        (*Args)->get_PermissionKind(&permission);
        (*Args)->put_State(WebView2::COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    };
    Browser->OnWebResourceRequested = [&](TCustomEdgeBrowser* Sender,
                                          Shared::TWebResourceRequestedEventArgs* Args) {
        WebView2::ComPtr<WebView2::ICoreWebView2WebResourceRequest> request;
        (*Args)->get_Request(request.ReleaseAndGetAddressOf());
        WebView2::LPSTR uri = nullptr;
        request->get_Uri(&uri);
        resource = WebView2::TakeString(uri);
        WebView2::ComPtr<WebView2::ICoreWebView2WebResourceResponse> response;
        Sender->EnvironmentInterface()->CreateWebResourceResponse(
            WebView2::CreateMemoryStream("<p>hi</p>").Get(), 200, "OK",
            "Content-Type: text/html; charset=utf-8", response.ReleaseAndGetAddressOf());
        (*Args)->put_Response(response.Get());
    };

    EXPECT_TRUE(Raise("NavigationStarting", R"({"uri": "file:///a.html"})")["cancel"]);
    EXPECT_EQ(starting, "file:///a.html");
    Raise("FrameNavigationStarting", R"({"uri": "file:///frame.html"})");
    EXPECT_EQ(frame, "file:///frame.html");
    EXPECT_TRUE(Raise("NewWindowRequested", R"({"uri": "file:///other.html"})")["handled"]);
    EXPECT_EQ(newWindow, "file:///other.html");
    Raise("WebMessageReceived", R"({"json": "\"vtr-webbrowser-clicked\""})");
    EXPECT_EQ(message, "vtr-webbrowser-clicked");
    EXPECT_TRUE(Raise("ScriptDialogOpening", R"({"message": "Sure?"})")["accepted"]);
    EXPECT_EQ(dialog, "Sure?");
    EXPECT_EQ(Raise("PermissionRequested", R"({"kind": 2})")["state"], 1);
    EXPECT_EQ(permission, WebView2::COREWEBVIEW2_PERMISSION_KIND_CAMERA);
    const auto answer = Raise("WebResourceRequested", R"({"uri": "file:///index.html"})");
    EXPECT_EQ(resource, "file:///index.html");
    EXPECT_EQ(answer["status"], 200);
    EXPECT_EQ(answer["reason"], "OK");
    EXPECT_EQ(answer["headers"], "Content-Type: text/html; charset=utf-8");
    EXPECT_EQ(answer["content"], "<p>hi</p>");
}

TEST_F(EventsTest, EventsWithValuesReadWhatTheTableSays) {
    std::vector<std::string> seen;
    Browser->OnNavigationCompleted = [&](TCustomEdgeBrowser*, bool Success, Shared::TOleEnum Status) {
        seen.push_back("completed " + std::to_string(Success) + " " + std::to_string(Status));
    };
    Browser->OnFrameNavigationCompleted = [&](TCustomEdgeBrowser*, bool Success, Shared::TOleEnum Status) {
        seen.push_back("frame " + std::to_string(Success) + " " + std::to_string(Status));
    };
    Browser->OnSourceChanged = [&](TCustomEdgeBrowser*, bool NewDocument) {
        seen.push_back("source " + std::to_string(NewDocument));
    };
    Browser->OnHistoryChanged = [&](TCustomEdgeBrowser*) { seen.push_back("history"); };
    Browser->OnContentLoading = [&](TCustomEdgeBrowser*, bool ErrorPage, Shared::TUInt64 Id) {
        seen.push_back("loading " + std::to_string(ErrorPage) + " " + std::to_string(Id));
    };
    Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser*, const std::string& Title) {
        seen.push_back("title " + Title);
    };
    Browser->OnProcessFailed = [&](TCustomEdgeBrowser*, Shared::TOleEnum Kind) {
        seen.push_back("failed " + std::to_string(Kind));
    };
    Browser->OnContainsFullScreenElementChanged = [&](TCustomEdgeBrowser*, bool Contains) {
        seen.push_back("fullscreen " + std::to_string(Contains));
    };
    Browser->OnWindowCloseRequested = [&](Forms::TObject* Sender) {
        EXPECT_EQ(Sender, Browser.get());
        seen.push_back("close");
    };
    Browser->OnZoomFactorChanged = [&](TCustomEdgeBrowser*, double Zoom) {
        seen.push_back("zoom " + std::to_string(Zoom).substr(0, 4));
    };
    Engine->SetState(R"({"title": "Report", "containsFullScreenElement": true, "zoom": 1.25})");

    Raise("NavigationCompleted", R"({"isSuccess": true, "webErrorStatus": 0})");
    Raise("NavigationCompleted", R"({"isSuccess": true, "webErrorStatus": 7, "failReads": true})");
    Raise("FrameNavigationCompleted", R"({"isSuccess": false, "webErrorStatus": 14})");
    Raise("SourceChanged", R"({"isNewDocument": true})");
    Raise("HistoryChanged");
    Raise("ContentLoading", R"({"isErrorPage": true, "navigationId": 42})");
    Raise("DocumentTitleChanged");
    Raise("ProcessFailed", R"({"kind": 1})");
    Raise("ContainsFullScreenElementChanged");
    Raise("WindowCloseRequested");
    Raise("ZoomFactorChanged");
    // A read that fails passes on false or 0.
    EXPECT_THAT(seen, ElementsAre("completed 1 0", "completed 0 0", "frame 0 14", "source 1", "history",
                                  "loading 1 42", "title Report", "failed 1", "fullscreen 1", "close",
                                  "zoom 1.25"));
}

TEST_F(EventsTest, UnassignedEventsReadNothing) {
    for (const char* event : {"NavigationCompleted", "FrameNavigationCompleted", "SourceChanged",
                              "ContentLoading", "ProcessFailed"}) {
        EXPECT_EQ(Raise(event)["reads"], 0) << event;
    }
    Raise("ContainsFullScreenElementChanged");
    Raise("DocumentTitleChanged");
    Raise("ZoomFactorChanged");
    EXPECT_TRUE(Calls().empty()) << Calls().front();
}

TEST_F(EventsTest, FullScreenEventOnlyWhenTheStateCanBeRead) {
    int raised = 0;
    Browser->OnContainsFullScreenElementChanged = [&](TCustomEdgeBrowser*, bool) { ++raised; };
    Engine->SetFailure(TE::FailStateRead, WebView2::E_FAIL);
    Raise("ContainsFullScreenElementChanged");
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_FAIL);
    Engine->SetFailure(TE::FailStateRead, WebView2::S_OK);
    Raise("ContainsFullScreenElementChanged");
    EXPECT_EQ(raised, 1);
}

TEST_F(EventsTest, AThrowingHandlerNeverReachesTheBrowser) {
    int calls = 0;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs*) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    Browser->OnNavigationCompleted = [&](TCustomEdgeBrowser*, bool, Shared::TOleEnum) {
        ++calls;
        throw 42;
    };
    EXPECT_TRUE(Raise("WebMessageReceived", R"({"json": "{}"})")["raised"]);
    EXPECT_TRUE(Raise("NavigationCompleted")["raised"]);
    EXPECT_TRUE(Raise("WebMessageReceived", R"({"json": "{}"})")["raised"]);
    EXPECT_EQ(calls, 3);
}

TEST_F(EventsTest, HandlersCanBeReplacedAtAnyTime) {
    std::vector<int> seen;
    Browser->OnHistoryChanged = [&](TCustomEdgeBrowser* Sender) {
        seen.push_back(1);
        Sender->OnHistoryChanged = [&](TCustomEdgeBrowser*) { seen.push_back(2); };
    };
    Raise("HistoryChanged");
    Raise("HistoryChanged");
    Browser->OnHistoryChanged = nullptr;
    Raise("HistoryChanged");
    EXPECT_THAT(seen, ElementsAre(1, 2));
}

// ---- Focus and shortcut keys ---------------------------------------------------------------

TEST_F(EventsTest, ShortcutKeysReachTheFormFirst) {
    std::vector<Forms::TKeyMessage> messages;
    Window->ShortCut = [&](const Forms::TKeyMessage& Message) {
        messages.push_back(Message);
        return Message.WParam == 'O';
    };
    EXPECT_TRUE(
        Raise("AcceleratorKeyPressed", R"({"kind": 0, "virtualKey": 79, "lParam": 1572865})")["handled"]);
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 1, "virtualKey": 80, "lParam": 7})")["handled"]);
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 2, "virtualKey": 70})")["handled"]);
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"kind": 3, "virtualKey": 70})")["handled"]);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].Msg, Forms::WM_KEYDOWN);
    EXPECT_EQ(messages[0].WParam, 79u);
    EXPECT_EQ(messages[0].LParam, 1572865);
    EXPECT_EQ(messages[1].Msg, Forms::WM_KEYUP);
    EXPECT_EQ(messages[2].Msg, Forms::WM_SYSKEYDOWN);
    EXPECT_EQ(messages[3].Msg, Forms::WM_SYSKEYUP);

    // A key whose details cannot be read goes nowhere.
    EXPECT_FALSE(Raise("AcceleratorKeyPressed", R"({"virtualKey": 79, "failReads": true})")["handled"]);
    EXPECT_EQ(messages.size(), 4u);
}

TEST_F(EventsTest, FocusFromTheBrowserRaisesEnterWithoutPushingFocusBack) {
    std::vector<std::string> seen;
    Browser->OnEnter = [&](Forms::TObject*) { seen.push_back("enter"); };
    Browser->OnExit = [&](Forms::TObject*) { seen.push_back("exit"); };
    Raise("GotFocus");
    Raise("LostFocus");
    EXPECT_THAT(seen, ElementsAre("enter", "exit"));
    EXPECT_TRUE(CallsStartingWith("MoveFocus").empty());
    Browser->SetFocus();
    EXPECT_THAT(CallsStartingWith("MoveFocus "), testing::Contains("0"));
}

TEST_F(EventsTest, MoveFocusRequestsAreLeftUnhandled) {
    const auto next = Raise("MoveFocusRequested", R"({"reason": 1})");
    EXPECT_FALSE(next["handled"]);
    EXPECT_EQ(next["reads"], 1);
    EXPECT_FALSE(Raise("MoveFocusRequested", R"({"reason": 2, "failReads": true})")["handled"]);
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_FAIL);
}

// ---- Operations ----------------------------------------------------------------------------

TEST_F(EventsTest, OperationsReachTheBrowserAndRecordTheirResults) {
    EXPECT_TRUE(Browser->Navigate("file:///index.html"));
    EXPECT_TRUE(Browser->NavigateToString("<p>x</p>"));
    Browser->GoBack();
    Browser->GoForward();
    Browser->Refresh();
    Browser->Stop();
    Browser->AddWebResourceRequestedFilter("*", 0);
    Browser->RemoveWebResourceRequestedFilter("*", 0);
    Browser->SetZoomFactor(1.5);
    EXPECT_THAT(Calls(), ElementsAre("Navigate file:///index.html", "NavigateToString <p>x</p>", "GoBack",
                                     "GoForward", "Reload", "Stop", "AddWebResourceRequestedFilter * 0",
                                     "RemoveWebResourceRequestedFilter * 0", "put_ZoomFactor 1.5"));
    EXPECT_EQ(Browser->ZoomFactor(), 1.5);

    Engine->SetFailure(TE::FailCall, WebView2::E_ACCESSDENIED);
    EXPECT_FALSE(Browser->Navigate("file:///index.html"));
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_ACCESSDENIED);
}

TEST_F(EventsTest, ExecuteScriptAnswersAfterTheCallReturned) {
    std::vector<std::string> results;
    bool inCall = false;
    Browser->OnExecuteScript = [&](TCustomEdgeBrowser*, HRESULT Result, const std::string& Json) {
        EXPECT_FALSE(inCall);
        EXPECT_EQ(Result, WebView2::S_OK);
        results.push_back(Json);
    };
    inCall = true;
    Browser->ExecuteScript("vtr.events.onCloseQuery();");
    inCall = false;
    EXPECT_TRUE(results.empty());
    ASSERT_TRUE(RunUntil([&] { return !results.empty(); }));
    EXPECT_EQ(nlohmann::json::parse(results[0])["script"], "vtr.events.onCloseQuery();");
}

TEST_F(EventsTest, CapturePreviewWritesTheImageToAStreamOrAFile) {
    std::vector<HRESULT> results;
    Browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser*, HRESULT Result) {
        results.push_back(Result);
    };
    std::stringstream stream;
    stream << "old content that goes";
    Browser->CapturePreview(stream, Shared::TPreviewFormat::JPEG);
    ASSERT_TRUE(RunUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(results[0], WebView2::S_OK);
    EXPECT_EQ(stream.str().substr(0, 4), "JPEG");

    const auto file = DataDir.Path() / "preview.png";
    Browser->CapturePreview(file.string());
    ASSERT_TRUE(RunUntil([&] { return results.size() == 2; }));
    std::ifstream in(file, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "PNG");

    // A file that cannot be made: recorded, no capture, no event.
    Engine->ClearCalls();
    Browser->CapturePreview((DataDir.Path() / "missing" / "preview.png").string());
    EXPECT_EQ(static_cast<std::uint32_t>(Browser->LastErrorCode()), 0x80070003u);
    RunFor(100);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_TRUE(CallsStartingWith("CapturePreview").empty());
}

TEST_F(EventsTest, SubscribingTwiceToADevToolsEventKeepsOnlyTheSecondHandler) {
    std::vector<std::string> seen;
    Browser->OnDevToolsProtocolEventReceived = [&](TCustomEdgeBrowser*, const std::string& Name,
                                                   const std::string& Json) {
        seen.push_back(Name + " " + Json);
    };
    Browser->SubscribeToCDPEvent("Page.loadEventFired");
    Browser->SubscribeToCDPEvent("Page.loadEventFired");
    EXPECT_EQ(Engine->HandlerCount("DevToolsProtocolEventReceived:Page.loadEventFired"), 1u);
    Raise("DevToolsProtocolEventReceived:Page.loadEventFired", R"({"json": "{\"timestamp\":1}"})");
    EXPECT_THAT(seen, ElementsAre("Page.loadEventFired {\"timestamp\":1}"));

    const auto added = CallsStartingWith("add_DevToolsProtocolEventReceived Page.loadEventFired ");
    ASSERT_EQ(added.size(), 2u);
    Browser->CloseWebView();
    EXPECT_THAT(CallsStartingWith("remove_DevToolsProtocolEventReceived Page.loadEventFired "),
                ElementsAre(added[0], added[1]));
}

// ---- Page state and settings ---------------------------------------------------------------

TEST_F(EventsTest, PageStateReadsTheBrowserAndFallsBackToNeutralValues) {
    Engine->SetState(R"({"source": "ABOUT:BLANK", "title": "Report", "canGoBack": true})");
    EXPECT_EQ(Browser->LocationURL(), "");
    Engine->SetState(R"({"source": "file:///index.html"})");
    EXPECT_EQ(Browser->LocationURL(), "file:///index.html");
    EXPECT_EQ(Browser->DocumentTitle(), "Report");
    EXPECT_TRUE(Browser->CanGoBack());
    EXPECT_FALSE(Browser->CanGoForward());
    EXPECT_EQ(Browser->BrowserVersionInfo(), "1.0.0.0-test");

    Engine->SetFailure(TE::FailStateRead, WebView2::E_FAIL);
    EXPECT_EQ(Browser->LocationURL(), "");
    EXPECT_EQ(Browser->DocumentTitle(), "");
    EXPECT_FALSE(Browser->CanGoBack());
    EXPECT_EQ(Browser->ZoomFactor(), 0.0);
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_FAIL);

    Engine->SetFailure(TE::FailStateRead, WebView2::S_OK);
    Browser->CloseWebView();
    EXPECT_EQ(Browser->LocationURL(), "");
    EXPECT_EQ(Browser->DocumentTitle(), "");
    EXPECT_FALSE(Browser->CanGoBack());
    EXPECT_FALSE(Browser->ContainsFullScreenElement());
    EXPECT_EQ(Browser->ZoomFactor(), 0.0);
}

using TGetter = bool (TCustomEdgeBrowser::*)();
using TSetter = void (TCustomEdgeBrowser::*)(bool);
struct TSettingRow {
    const char* Name;
    TGetter Get;
    TSetter Set;
};

TEST_F(EventsTest, SettingsPropertiesMapToTheBrowserSettings) {
    const std::vector<TSettingRow> rows = {
        {"IsBuiltInErrorPageEnabled", &TCustomEdgeBrowser::BuiltInErrorPageEnabled,
         &TCustomEdgeBrowser::SetBuiltInErrorPageEnabled},
        {"AreDefaultContextMenusEnabled", &TCustomEdgeBrowser::DefaultContextMenusEnabled,
         &TCustomEdgeBrowser::SetDefaultContextMenusEnabled},
        {"AreDefaultScriptDialogsEnabled", &TCustomEdgeBrowser::DefaultScriptDialogsEnabled,
         &TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled},
        {"AreDevToolsEnabled", &TCustomEdgeBrowser::DevToolsEnabled, &TCustomEdgeBrowser::SetDevToolsEnabled},
        {"IsScriptEnabled", &TCustomEdgeBrowser::ScriptEnabled, &TCustomEdgeBrowser::SetScriptEnabled},
        {"IsStatusBarEnabled", &TCustomEdgeBrowser::StatusBarEnabled,
         &TCustomEdgeBrowser::SetStatusBarEnabled},
        {"IsWebMessageEnabled", &TCustomEdgeBrowser::WebMessageEnabled,
         &TCustomEdgeBrowser::SetWebMessageEnabled},
        {"IsZoomControlEnabled", &TCustomEdgeBrowser::ZoomControlEnabled,
         &TCustomEdgeBrowser::SetZoomControlEnabled},
    };
    for (const TSettingRow& row : rows) {
        Engine->ClearCalls();
        EXPECT_TRUE((Browser.get()->*row.Get)()) << row.Name;
        (Browser.get()->*row.Set)(false);
        EXPECT_FALSE((Browser.get()->*row.Get)()) << row.Name;
        EXPECT_THAT(Calls(),
                    ElementsAre(std::string("get_") + row.Name, std::string("put_") + row.Name + " 0",
                                std::string("get_") + row.Name));
    }
    // The settings object stays after CloseWebView and keeps answering.
    Browser->CloseWebView();
    EXPECT_FALSE(Browser->ScriptEnabled());
}

TEST_F(EventsTest, FailingSettingsReadsRaiseWhileFailingWritesAreOnlyRecorded) {
    Engine->SetFailure(TE::FailSettingsWrite, WebView2::E_ACCESSDENIED);
    EXPECT_NO_THROW(Browser->SetScriptEnabled(false));
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_ACCESSDENIED);
    Engine->SetFailure(TE::FailSettingsRead, WebView2::E_ACCESSDENIED);
    try {
        Browser->ScriptEnabled();
        ADD_FAILURE() << "no error";
    } catch (const Shared::EEdgeError& e) {
        EXPECT_STREQ(e.what(), "WebView2 not instantiated");
        EXPECT_EQ(e.ErrorCode(), WebView2::E_FAIL);
    }
    EXPECT_EQ(Browser->LastErrorCode(), WebView2::E_ACCESSDENIED);
}

} // namespace
