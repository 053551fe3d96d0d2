// The host control's creation state machine and lifecycle, driven through the real dlopen
// path with the test engine, which fails wherever a test asks it to.

#include "support/TestEngineFixture.h"

#include "platform/GuiThread.h"
#include "webview2/Loader.h"
#include "webview2/testengine/TestEngineControl.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace GuiTest;
using Shared::TBrowserControlState;
using testing::ElementsAre;
using testing::ElementsAreArray;
using WebView2::HRESULT;

extern char** environ;

namespace {

const HRESULT E_FAIL = WebView2::E_FAIL;
const HRESULT FileNotFound = WebView2::HResultFromWin32(WebView2::ERROR_FILE_NOT_FOUND);
const HRESULT OutOfMemory = WebView2::E_OUTOFMEMORY;

const std::vector<std::string> SubscriptionOrder = {"NavigationStarting",
                                                    "NavigationCompleted",
                                                    "SourceChanged",
                                                    "HistoryChanged",
                                                    "ContentLoading",
                                                    "DocumentTitleChanged",
                                                    "NewWindowRequested",
                                                    "FrameNavigationStarting",
                                                    "FrameNavigationCompleted",
                                                    "WebResourceRequested",
                                                    "ScriptDialogOpening",
                                                    "PermissionRequested",
                                                    "ProcessFailed",
                                                    "WebMessageReceived",
                                                    "ContainsFullScreenElementChanged",
                                                    "WindowCloseRequested",
                                                    "ZoomFactorChanged",
                                                    "MoveFocusRequested",
                                                    "AcceleratorKeyPressed",
                                                    "GotFocus",
                                                    "LostFocus"};

const std::vector<std::string> RemovalOrder = {"NavigationStarting",
                                               "NavigationCompleted",
                                               "SourceChanged",
                                               "HistoryChanged",
                                               "ContentLoading",
                                               "DocumentTitleChanged",
                                               "NewWindowRequested",
                                               "FrameNavigationStarting",
                                               "FrameNavigationCompleted",
                                               "WebResourceRequested",
                                               "ScriptDialogOpening",
                                               "PermissionRequested",
                                               "ProcessFailed",
                                               "WebMessageReceived",
                                               "WindowCloseRequested",
                                               "ContainsFullScreenElementChanged",
                                               "AcceleratorKeyPressed",
                                               "GotFocus",
                                               "LostFocus",
                                               "MoveFocusRequested",
                                               "ZoomFactorChanged"};

using LifecycleTest = TestEngineFixture;

} // namespace

// ---- Creation -----------------------------------------------------------------------------

TEST_F(LifecycleTest, CreatesOnParentAssignmentAndSubscribesInTableOrder) {
    MakeBrowser();
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::None);
    Place();
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Creating);
    ASSERT_TRUE(WaitForCompletion());
    EXPECT_THAT(Completions, ElementsAre(WebView2::S_OK));
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Created);
    EXPECT_TRUE(Browser->WebViewCreated());

    std::vector<std::string> added;
    for (const std::string& call : CallsStartingWith("add_")) {
        added.push_back(call.substr(0, call.find(' ')));
    }
    EXPECT_THAT(added, ElementsAreArray(SubscriptionOrder));
    // The environment call ran on a worker thread, never on the GUI thread.
    EXPECT_NE(Engine->EnvironmentCallThread(), std::hash<std::thread::id>()(std::this_thread::get_id()));
    // The controller's parent is the control's own native widget.
    EXPECT_EQ(CountCalls("controller parent " +
                         std::to_string(reinterpret_cast<std::uintptr_t>(Browser->Handle()))),
              1u);
}

TEST_F(LifecycleTest, CreateWebViewTwiceStartsOneCreation) {
    MakeBrowser();
    Place();
    Browser->CreateWebView();
    ASSERT_TRUE(WaitForCompletion());
    RunFor(100);
    EXPECT_EQ(CountCalls("CreateCoreWebView2Environment"), 1u);
    EXPECT_EQ(Completions.size(), 1u);
    // With a WebView, CreateWebView is ignored too.
    Browser->CreateWebView();
    RunFor(100);
    EXPECT_EQ(CountCalls("CreateCoreWebView2Environment"), 1u);
}

TEST_F(LifecycleTest, MissingLoaderFailsOnceThenReinitializeLoadsItWhenItAppears) {
    const std::filesystem::path loader = DataDir.Path() / "Win64" / "WebView2LoaderWin64.dll";
    Shared::FinalizeEdgeEx();
    Shared::SetLoaderLibraryPath(loader.string());
    MakeBrowser();
    Place();
    ASSERT_TRUE(WaitForCompletion());
    RunFor(100);
    EXPECT_THAT(Completions, ElementsAre(E_FAIL));
    EXPECT_EQ(static_cast<std::uint32_t>(Browser->LastErrorCode()), 0x80004005u);
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Creating);

    Browser->CreateWebView(); // still Creating: ignored
    RunFor(100);
    EXPECT_EQ(Completions.size(), 1u);

    std::filesystem::create_directories(loader.parent_path());
    std::filesystem::copy_file(TestEnginePath(), loader);
    Browser->ReinitializeWebView();
    ASSERT_TRUE(WaitForCompletion(2));
    EXPECT_EQ(Completions[1], WebView2::S_OK);
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Created);
}

struct TFailureRow {
    const char* Name;
    TE::TFailurePoint Point;
    HRESULT Code;
    TBrowserControlState State;
    bool EventRaised;
};

class FailureRowTest : public TestEngineFixture, public testing::WithParamInterface<TFailureRow> {};

TEST_P(FailureRowTest, FollowsTheStateTable) {
    const TFailureRow& row = GetParam();
    Engine->SetFailure(row.Point, row.Code);
    MakeBrowser();
    Place();
    if (row.EventRaised) {
        ASSERT_TRUE(WaitForCompletion());
        EXPECT_THAT(Completions, ElementsAre(row.Code));
    } else {
        ASSERT_TRUE(RunUntil([&] { return CountCalls("CreateCoreWebView2Controller") == 1; }));
        RunFor(200);
        EXPECT_TRUE(Completions.empty());
    }
    RunFor(50);
    EXPECT_EQ(Browser->BrowserControlState(), row.State);
    EXPECT_EQ(Browser->LastErrorCode(), row.Code);
    EXPECT_FALSE(Browser->WebViewCreated());
    EXPECT_TRUE(CallsStartingWith("add_").empty());
    EXPECT_TRUE(QueuedErrors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    StateTable, FailureRowTest,
    testing::Values(
        TFailureRow{"EnvironmentCall", TE::FailEnvironmentCall, FileNotFound, TBrowserControlState::Creating,
                    true},
        TFailureRow{"EnvironmentCompletion", TE::FailEnvironmentCompletion, OutOfMemory,
                    TBrowserControlState::Creating, true},
        TFailureRow{"ControllerCall", TE::FailControllerCall, E_FAIL, TBrowserControlState::Creating, false},
        TFailureRow{"ControllerCompletion", TE::FailControllerCompletion, OutOfMemory,
                    TBrowserControlState::Failed, true},
        TFailureRow{"GetCoreWebView2", TE::FailGetCoreWebView2, E_FAIL, TBrowserControlState::Failed, true},
        TFailureRow{"GetSettings", TE::FailGetSettings, FileNotFound, TBrowserControlState::Failed, true}),
    [](const testing::TestParamInfo<TFailureRow>& Info) { return std::string(Info.param.Name); });

TEST_F(LifecycleTest, EnvironmentCompletionOnAnyThreadReachesTheGuiThread) {
    for (TE::TCompletionThread thread :
         {TE::CompleteOnCallingThread, TE::CompleteOnGuiThread, TE::CompleteOnOtherThread}) {
        Engine->Reset();
        Engine->SetEnvironmentCompletion(thread);
        Completions.clear();
        MakeBrowser();
        Place();
        ASSERT_TRUE(WaitForCompletion()) << thread;
        EXPECT_EQ(Completions[0], WebView2::S_OK) << thread;
        EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Created) << thread;
        Browser.reset();
    }
}

TEST_F(LifecycleTest, ControllerFailureWithoutHandlerRaisesEdgeErrorOutsideTheCall) {
    Engine->SetFailure(TE::FailControllerCompletion, OutOfMemory);
    MakeBrowser(false);
    Place();
    ASSERT_TRUE(RunUntil([&] { return !QueuedErrors.empty(); }));
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Failed);
    try {
        std::rethrow_exception(QueuedErrors[0]);
        ADD_FAILURE() << "no error";
    } catch (const Shared::EEdgeError& e) {
        EXPECT_STREQ(e.what(), "Failed to create Edge browser control");
        EXPECT_EQ(e.ErrorCode(), OutOfMemory);
    }
}

TEST_F(LifecycleTest, EnvironmentFailureKeepsCreatingUntilReinitialized) {
    Engine->SetFailure(TE::FailEnvironmentCompletion, FileNotFound);
    MakeBrowser();
    Place();
    ASSERT_TRUE(WaitForCompletion());
    Browser->CreateWebView();
    RunFor(150);
    EXPECT_EQ(CountCalls("CreateCoreWebView2Environment"), 1u);
    Engine->SetFailure(TE::FailEnvironmentCompletion, WebView2::S_OK);
    Browser->ReinitializeWebView();
    ASSERT_TRUE(WaitForCompletion(2));
    EXPECT_EQ(Completions[1], WebView2::S_OK);
    // ReinitializeWebView runs the environment call on the caller's thread.
    EXPECT_EQ(Engine->EnvironmentCallThread(), std::hash<std::thread::id>()(std::this_thread::get_id()));
}

TEST_F(LifecycleTest, ControlDestroyedDuringCreationIsNeverCalledBack) {
    Engine->SetEnvironmentCompletion(TE::CompleteOnOtherThread);
    MakeBrowser();
    bool called = false;
    Browser->OnCreateWebViewCompleted = [&](Shared::TCustomEdgeBrowser*, HRESULT) { called = true; };
    Place();
    Browser.reset();
    RunFor(300);
    EXPECT_FALSE(called);
    EXPECT_EQ(CountCalls("CreateCoreWebView2Environment"), 1u);
}

TEST_F(LifecycleTest, PropertiesSetRightAfterCreationAreInPlaceForTheCompletion) {
    MakeBrowser();
    std::string seen;
    Browser->OnCreateWebViewCompleted = [&](Shared::TCustomEdgeBrowser* Sender, HRESULT) {
        seen = static_cast<Shared::TCustomEdgeBrowser*>(Sender)->LastURL();
    };
    Place();
    Browser->SetLastURL("file:///set-after.html");
    ASSERT_TRUE(RunUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, "file:///set-after.html");
}

// ---- Pending URL, bounds and visibility ----------------------------------------------------

TEST_F(LifecycleTest, NavigateBeforeCreationIsOpenedAfterSubscription) {
    MakeBrowser();
    EXPECT_TRUE(Browser->Navigate(" page.html "));
    EXPECT_EQ(Browser->LastURL(), " page.html ");
    EXPECT_FALSE(Browser->Navigate(" \t \n"));
    EXPECT_EQ(Browser->LastURL(), " page.html ");
    Place();
    ASSERT_TRUE(WaitForCompletion());
    const auto calls = Calls();
    const auto navigate = std::find(calls.begin(), calls.end(), "Navigate  page.html ");
    ASSERT_NE(navigate, calls.end());
    std::size_t lastAddIndex = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("add_", 0) == 0) {
            lastAddIndex = i;
        }
    }
    EXPECT_GT(static_cast<std::size_t>(navigate - calls.begin()), lastAddIndex);
}

TEST_F(LifecycleTest, SizeRatioScalesTheClientRectangleTruncating) {
    CreateBrowser();
    Browser->SetAlign(Forms::alNone);
    Browser->SetBounds(0, 0, 801, 600);
    Browser->SetSizeRatio(0.5);
    WebView2::RECT bounds;
    ASSERT_EQ(Browser->ControllerInterface()->get_Bounds(&bounds), WebView2::S_OK);
    EXPECT_EQ(bounds, (WebView2::RECT{0, 0, 400, 300}));
    EXPECT_EQ(CallsStartingWith("put_Bounds ").back(), "0 0 400 300");
    // Every resize applies the ratio again.
    Browser->SetBounds(0, 0, 300, 101);
    EXPECT_EQ(CallsStartingWith("put_Bounds ").back(), "0 0 150 50");
}

TEST_F(LifecycleTest, MinimizeAndRestoreHideAndShowTheBrowser) {
    CreateBrowser();
    Engine->ClearCalls();
    Window->BroadcastSysCommand(Forms::SC_MINIMIZE);
    Window->BroadcastSysCommand(Forms::SC_MAXIMIZE);
    Window->BroadcastSysCommand(Forms::SC_RESTORE);
    Browser->Hide();
    Browser->Show();
    EXPECT_THAT(CallsStartingWith("put_IsVisible "), ElementsAre("0", "1", "0", "1"));
}

// ---- Closing and re-creation ---------------------------------------------------------------

TEST_F(LifecycleTest, CloseWebViewRemovesEveryHandlerWithItsTokenThenCloses) {
    CreateBrowser();
    std::map<std::string, std::string> tokens;
    for (const std::string& call : CallsStartingWith("add_")) {
        tokens[call.substr(0, call.find(' '))] = call.substr(call.find(' ') + 1);
    }
    Engine->ClearCalls();
    Browser->CloseWebView();
    std::vector<std::string> expected;
    for (const std::string& name : RemovalOrder) {
        expected.push_back("remove_" + name + " " + tokens[name]);
    }
    expected.push_back("Close");
    EXPECT_THAT(Calls(), ElementsAreArray(expected));
    EXPECT_FALSE(Browser->WebViewCreated());
    EXPECT_NE(Browser->EnvironmentInterface(), nullptr);
    EXPECT_NE(Browser->SettingsInterface(), nullptr);
    EXPECT_EQ(Browser->BrowserControlState(), TBrowserControlState::Created);

    Engine->ClearCalls();
    Browser->CloseWebView();
    EXPECT_TRUE(Calls().empty());
}

TEST_F(LifecycleTest, DestroyingTheControlClosesTheWebViewFirst) {
    CreateBrowser();
    Engine->ClearCalls();
    Browser.reset();
    const auto calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "Close");
    EXPECT_EQ(CallsStartingWith("remove_").size(), SubscriptionOrder.size());
}

TEST_F(LifecycleTest, RecreatedWindowGetsANewWebView) {
    CreateBrowser();
    Engine->ClearCalls();
    Browser->RecreateWnd();
    ASSERT_TRUE(WaitForCompletion(2));
    EXPECT_EQ(Completions[1], WebView2::S_OK);
    const auto calls = Calls();
    const auto close = std::find(calls.begin(), calls.end(), "Close");
    const auto environment = std::find(calls.begin(), calls.end(), "CreateCoreWebView2Environment");
    ASSERT_NE(close, calls.end());
    EXPECT_LT(close, environment);
    EXPECT_TRUE(Browser->WebViewCreated());
}

// A child process to stand in for the browser process.
pid_t SpawnSleep(const char* Seconds) {
    pid_t pid = 0;
    char sleepPath[] = "/bin/sleep";
    char* argv[] = {sleepPath, const_cast<char*>(Seconds), nullptr};
    EXPECT_EQ(posix_spawn(&pid, sleepPath, nullptr, nullptr, argv, environ), 0);
    return pid;
}

TEST_F(LifecycleTest, CloseBrowserProcessTerminatesAProcessThatOutlivesTheWait) {
    CreateBrowser();
    const pid_t child = SpawnSleep("30");
    Engine->SetBrowserProcessId(static_cast<std::uint32_t>(child));
    const auto start = std::chrono::steady_clock::now();
    Browser->CloseBrowserProcess();
    const auto waited = std::chrono::steady_clock::now() - start;
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_FALSE(Browser->WebViewCreated());
}

TEST_F(LifecycleTest, CloseBrowserProcessLetsAProcessThatEndsInTimeEnd) {
    CreateBrowser();
    const pid_t child = SpawnSleep("0.3");
    Engine->SetBrowserProcessId(static_cast<std::uint32_t>(child));
    Browser->CloseBrowserProcess();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
}

TEST_F(LifecycleTest, CloseBrowserProcessNeverEndsTheApplication) {
    CreateBrowser();
    Engine->SetBrowserProcessId(static_cast<std::uint32_t>(getpid()));
    Browser->CloseBrowserProcess(); // a faulty report of our own id: nothing is terminated
    EXPECT_FALSE(Browser->WebViewCreated());
    MakeBrowser();
    Browser->CloseBrowserProcess(); // without a WebView nothing is opened
    EXPECT_EQ(Browser->BrowserProcessID(), 0u);
}

TEST_F(LifecycleTest, ReinitializeWithNewBrowserClosesThenCreates) {
    CreateBrowser();
    Engine->ClearCalls();
    Browser->ReinitializeWebViewWithNewBrowser();
    ASSERT_TRUE(WaitForCompletion(2));
    const auto calls = Calls();
    EXPECT_LT(std::find(calls.begin(), calls.end(), "get_BrowserProcessId"),
              std::find(calls.begin(), calls.end(), "Close"));
    EXPECT_TRUE(Browser->WebViewCreated());
}
