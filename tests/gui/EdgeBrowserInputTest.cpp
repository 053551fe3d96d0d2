// What the WebKitGTK engine derives for WebView2 events that WebKit has no signal for, and the
// host's part in them, driven as a person would (xdotool) or as a page would.

#include "support/WebKitFixture.h"

#include <gmock/gmock.h>
#include <gtk/gtk.h>

#include "forms/gtk/WinControlImpl.h"
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <optional>

using namespace GuiTest;
using Shared::TCustomEdgeBrowser;
using testing::ElementsAre;

namespace {

class InputTest : public WebKitFixture {
protected:
    void SetUp() override {
        WebKitFixture::SetUp();
        Site["keys.html"] = {R"(<!DOCTYPE html><html><head><title>Keys</title></head><body>
            <button id=first>first</button><button id=last>last</button>
            <script>window.keys = [];
            addEventListener('keydown', (e) => keys.push((e.ctrlKey ? 'Ctrl+' : '') + e.key));
            document.getElementById('first').focus();</script></body></html>)",
                             "text/html"};
    }

    // Sends keys to the focused window, as a person types them.
    static void Type(const std::string& Keys) {
        ASSERT_EQ(std::system(("xdotool key --delay 30 " + Keys).c_str()), 0);
    }

    // The page has the keyboard focus.
    void FocusPage() {
        Browser->SetFocus();
        ASSERT_TRUE(RunUntil([&] { return Eval("document.hasFocus()") == "true"; }, 10000));
    }

    std::vector<std::string> PageKeys() {
        std::vector<std::string> keys;
        for (const auto& key : nlohmann::json::parse(Eval("window.keys"))) {
            keys.push_back(key.get<std::string>());
        }
        return keys;
    }
};

TEST_F(InputTest, ShortcutKeysReachTheFormBeforeThePage) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///keys.html"));
    std::vector<Forms::TKeyMessage> offered;
    Window->ShortCut = [&](const Forms::TKeyMessage& Message) {
        offered.push_back(Message);
        return Message.Msg == Forms::WM_KEYDOWN && Message.WParam == 'O';
    };
    FocusPage();
    Type("ctrl+o ctrl+k");
    ASSERT_TRUE(RunUntil([&] { return PageKeys().size() >= 3; }, 10000))
        << testing::PrintToString(PageKeys());
    // Ctrl+O was claimed by the form: the page never saw it; Ctrl+K went on to the page.
    const auto keys = PageKeys();
    EXPECT_THAT(keys, testing::Contains("Ctrl+k"));
    EXPECT_THAT(keys, testing::Not(testing::Contains("Ctrl+o")));
    const auto keyDownO = std::find_if(offered.begin(), offered.end(), [](const Forms::TKeyMessage& m) {
        return m.Msg == Forms::WM_KEYDOWN && m.WParam == 'O';
    });
    ASSERT_NE(keyDownO, offered.end());
    EXPECT_EQ(keyDownO->LParam & 0xFFFF, 1);       // repeat count
    EXPECT_NE((keyDownO->LParam >> 16) & 0xFF, 0); // scan code
    // Ctrl itself is offered too, down and up (the transition bit set on the way up).
    EXPECT_TRUE(std::any_of(offered.begin(), offered.end(),
                            [](const Forms::TKeyMessage& m) {
                                return m.Msg == Forms::WM_KEYUP && m.WParam == 0x11 &&
                                       (m.LParam & (1 << 31)) != 0;
                            }))
        << [&] {
               std::string all;
               for (const auto& m : offered) {
                   all += std::to_string(m.Msg) + ":" + std::to_string(m.WParam) + ":" +
                          std::to_string(m.LParam) + " ";
               }
               return all;
           }();
}

TEST_F(InputTest, ZoomKeysFollowTheZoomControlSetting) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///keys.html"));
    std::vector<double> zooms;
    Browser->OnZoomFactorChanged = [&](TCustomEdgeBrowser*, double Zoom) { zooms.push_back(Zoom); };
    FocusPage();
    Type("ctrl+equal");
    ASSERT_TRUE(RunUntil([&] { return zooms.size() == 1; }));
    EXPECT_NEAR(zooms[0], 1.1, 1e-9);
    EXPECT_NEAR(Browser->ZoomFactor(), 1.1, 1e-9);
    Type("ctrl+0");
    ASSERT_TRUE(RunUntil([&] { return zooms.size() == 2; }));
    EXPECT_NEAR(zooms[1], 1.0, 1e-9);

    Browser->SetZoomControlEnabled(false);
    Type("ctrl+equal");
    ASSERT_TRUE(RunUntil([&] { return PageKeys().size() >= 3; }, 10000))
        << testing::PrintToString(PageKeys());
    EXPECT_EQ(zooms.size(), 2u);
    EXPECT_EQ(PageKeys().back(), "Ctrl+=");
    // The host's own zoom is not a user's: it works whatever the setting.
    Browser->SetZoomFactor(2.0);
    EXPECT_TRUE(RunUntil([&] { return zooms.size() == 3; }));
}

TEST_F(InputTest, TabPastTheLastElementLeavesThePage) {
    Forms::TWinControl next;
    next.SetBounds(0, 0, 40, 20);
    next.SetTabStop(true);
    next.SetParent(Window.get());
    bool nextEntered = false;
    next.OnEnter = [&](Forms::TObject*) { nextEntered = true; };
    CreateServingBrowser();
    Browser->SetAlign(Forms::alNone);
    Browser->SetBounds(0, 40, 400, 300);
    std::vector<std::string> focus;
    Browser->OnEnter = [&](Forms::TObject*) { focus.push_back("enter"); };
    Browser->OnExit = [&](Forms::TObject*) { focus.push_back("exit"); };
    ASSERT_TRUE(Open("file:///keys.html"));
    FocusPage();
    Eval("document.getElementById('last').focus(); 0");
    focus.clear();
    Type("Tab");
    ASSERT_TRUE(RunUntil([&] { return nextEntered; }, 5000))
        << testing::PrintToString(focus) << " " << testing::PrintToString(PageKeys())
        << Eval("document.activeElement.id");
    EXPECT_TRUE(next.Focused());
    EXPECT_THAT(focus, ElementsAre("exit"));
}

TEST_F(InputTest, NewWindowsAreTheHostsToDecide) {
    Site["links.html"] = {R"(<!DOCTYPE html><title>Links</title>
        <a id=blank target=_blank href="second.html">new</a>)",
                          "text/html"};
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///links.html"));
    std::vector<std::string> requested;
    bool handle = true;
    Browser->OnNewWindowRequested = [&](TCustomEdgeBrowser*, Shared::TNewWindowRequestedEventArgs* Args) {
        WebView2::LPSTR uri = nullptr;
        (*Args)->get_Uri(&uri);
        requested.push_back(WebView2::TakeString(uri));
        (*Args)->put_Handled(handle ? 1 : 0);
    };
    auto windows = [] {
        GList* list = gtk_window_list_toplevels();
        const guint count = g_list_length(list);
        g_list_free(list);
        return count;
    };
    const guint before = windows();
    Eval("document.getElementById('blank').click(); 0");
    ASSERT_TRUE(RunUntil([&] { return requested.size() == 1; }));
    EXPECT_EQ(requested[0], "file:///second.html");
    RunFor(300);
    EXPECT_EQ(windows(), before);

    // Left to the engine, the link opens a window of its own.
    handle = false;
    Eval("window.open('second.html', '_blank'); 0");
    ASSERT_TRUE(RunUntil([&] { return requested.size() == 2; }));
    EXPECT_TRUE(RunUntil([&] { return windows() == before + 1; }, 10000));
}

TEST_F(InputTest, AbsoluteFileLinksOpenAsTheHostServesThem) {
    Site["file-links.html"] = {R"(<!DOCTYPE html><title>File links</title>
        <a id=same href="file:///second.html">same window</a>
        <a id=blank target=_blank href="file:///other.html">new window</a>)",
                               "text/html"};
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///file-links.html"));
    std::vector<std::string> requested;
    Browser->OnNewWindowRequested = [&](TCustomEdgeBrowser*, Shared::TNewWindowRequestedEventArgs* Args) {
        WebView2::LPSTR uri = nullptr;
        (*Args)->get_Uri(&uri);
        requested.push_back(WebView2::TakeString(uri));
        (*Args)->put_Handled(1);
    };
    Eval("document.getElementById('blank').click(); 0");
    ASSERT_TRUE(RunUntil([&] { return !requested.empty(); }));
    EXPECT_THAT(requested, ElementsAre("file:///other.html"));
    Eval("window.open('file:///third.html'); 0");
    ASSERT_TRUE(RunUntil([&] { return requested.size() == 2; }));
    EXPECT_EQ(requested[1], "file:///third.html");

    const std::size_t before = Navigations.size();
    Eval("document.getElementById('same').click(); 0");
    ASSERT_TRUE(RunUntil([&] { return Navigations.size() > before; }));
    EXPECT_EQ(Browser->LocationURL(), "file:///second.html");
    EXPECT_EQ(Browser->DocumentTitle(), "Second page");
}

TEST_F(InputTest, SubFramesReportTheirNavigations) {
    Site["frames.html"] = {R"(<!DOCTYPE html><title>Frames</title><iframe src="second.html"></iframe>)",
                           "text/html"};
    CreateServingBrowser();
    std::vector<std::string> frames;
    Browser->OnFrameNavigationStarting = [&](TCustomEdgeBrowser*,
                                             Shared::TNavigationStartingEventArgs* Args) {
        WebView2::LPSTR uri = nullptr;
        (*Args)->get_Uri(&uri);
        frames.push_back("starting " + WebView2::TakeString(uri));
    };
    Browser->OnFrameNavigationCompleted = [&](TCustomEdgeBrowser*, bool Success, Shared::TOleEnum) {
        frames.push_back(Success ? "completed" : "failed");
    };
    std::vector<std::string> main;
    Browser->OnNavigationStarting = [&](TCustomEdgeBrowser*, Shared::TNavigationStartingEventArgs* Args) {
        WebView2::LPSTR uri = nullptr;
        (*Args)->get_Uri(&uri);
        main.push_back(WebView2::TakeString(uri));
    };
    ASSERT_TRUE(Open("file:///frames.html"));
    ASSERT_TRUE(RunUntil([&] { return frames.size() == 2; }));
    EXPECT_THAT(frames, ElementsAre("starting file:///second.html", "completed"));
    EXPECT_THAT(main, ElementsAre("file:///frames.html")); // the frame is not the page
}

TEST_F(InputTest, ScriptDialogsGoToTheHostWhenDefaultDialogsAreOff) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    Browser->SetDefaultScriptDialogsEnabled(false);
    std::vector<std::string> dialogs;
    Browser->OnScriptDialogOpening = [&](TCustomEdgeBrowser*, Shared::TScriptDialogOpeningEventArgs* Args) {
        WebView2::COREWEBVIEW2_SCRIPT_DIALOG_KIND kind;
        (*Args)->get_Kind(&kind);
        WebView2::LPSTR message = nullptr;
        (*Args)->get_Message(&message);
        dialogs.push_back(std::to_string(kind) + " " + WebView2::TakeString(message));
        if (kind == WebView2::COREWEBVIEW2_SCRIPT_DIALOG_KIND_PROMPT) {
            (*Args)->put_ResultText("typed");
        }
        (*Args)->Accept();
    };
    EXPECT_EQ(Eval("confirm('Sure?')"), "true");
    EXPECT_EQ(Eval("prompt('Name?', 'x')"), "\"typed\"");
    EXPECT_THAT(dialogs, ElementsAre("1 Sure?", "2 Name?"));
}

TEST_F(InputTest, PermissionRequestsAreTheHostsToAnswer) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    std::vector<WebView2::COREWEBVIEW2_PERMISSION_KIND> kinds;
    Browser->OnPermissionRequested = [&](TCustomEdgeBrowser*, Shared::TPermissionRequestedEventArgs* Args) {
        WebView2::COREWEBVIEW2_PERMISSION_KIND kind;
        (*Args)->get_PermissionKind(&kind);
        kinds.push_back(kind);
        (*Args)->put_State(WebView2::COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    };
    std::string answer;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR text = nullptr;
        (*Args)->TryGetWebMessageAsString(&text);
        answer = WebView2::TakeString(text);
    };
    Eval("Notification.requestPermission().then((r) => window.chrome.webview.postMessage(r)); 0");
    ASSERT_TRUE(RunUntil([&] { return !answer.empty(); }));
    EXPECT_EQ(answer, "granted");
    EXPECT_THAT(kinds, ElementsAre(WebView2::COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS));
}

TEST_F(InputTest, BrowserKeysActWhenNeitherTheFormNorThePageTakesThem) {
    Site["reload.html"] = {R"(<!DOCTYPE html><html><head><title>Reload</title></head><body>
        <button id=first>first</button>
        <script>sessionStorage.loads = String(Number(sessionStorage.loads || 0) + 1);
        window.keys = [];
        addEventListener('keydown', (e) => {
            keys.push(e.key);
            if (window.keep && e.key === 'F5') e.preventDefault();
        });
        document.getElementById('first').focus();</script></body></html>)",
                           "text/html"};
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///reload.html"));
    std::vector<Forms::TKeyMessage> offered;
    bool claimF5 = false;
    Window->ShortCut = [&](const Forms::TKeyMessage& Message) {
        offered.push_back(Message);
        return claimF5 && Message.WParam == 0x74;
    };
    const auto loads = [&] { return Eval("sessionStorage.loads"); };
    const auto offeredF5Downs = [&] {
        return std::count_if(offered.begin(), offered.end(), [](const Forms::TKeyMessage& m) {
            return m.Msg == Forms::WM_KEYDOWN && m.WParam == 0x74;
        });
    };

    // Types Keys into the page; true when a navigation followed and completed.
    const auto navigates = [&](const std::string& Keys, int TimeoutMs) {
        FocusPage();
        const std::size_t before = Navigations.size();
        Type(Keys);
        return RunUntil([&] { return Navigations.size() > before; }, TimeoutMs);
    };

    // Nobody takes F5: the page reloads. The form was offered the key once, before the page.
    ASSERT_TRUE(navigates("F5", 10000));
    EXPECT_EQ(loads(), "\"2\"");
    EXPECT_EQ(offeredF5Downs(), 1);

    // The page prevents it: no reload.
    Eval("window.keep = true; 0");
    EXPECT_FALSE(navigates("F5", 1000));
    EXPECT_EQ(PageKeys().size(), 1u);

    // The form claims it: neither the page nor the browser sees it.
    Eval("window.keep = false; 0");
    claimF5 = true;
    EXPECT_FALSE(navigates("F5", 1000));
    EXPECT_EQ(PageKeys().size(), 1u);
    EXPECT_EQ(loads(), "\"2\"");

    ASSERT_TRUE(navigates("ctrl+r", 10000));
    EXPECT_EQ(loads(), "\"3\"");

    // Alt+Left and Alt+Right walk the history.
    ASSERT_TRUE(Open("file:///second.html"));
    ASSERT_TRUE(navigates("alt+Left", 10000));
    EXPECT_EQ(Browser->LocationURL(), "file:///reload.html");
    ASSERT_TRUE(navigates("alt+Right", 10000));
    EXPECT_EQ(Browser->LocationURL(), "file:///second.html");
}

// The visible top-level windows of this process that are GtkMessageDialogs.
std::vector<GtkWindow*> MessageDialogs() {
    std::vector<GtkWindow*> found;
    GList* list = gtk_window_list_toplevels();
    for (GList* w = list; w != nullptr; w = w->next) {
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
            found.push_back(GTK_WINDOW(w->data));
        }
    }
    g_list_free(list);
    return found;
}

TEST_F(InputTest, ScriptDialogsAreTheWindowsOwnWithThePagesAddress) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    // Opens a dialog from the page, answers it with Keys as a person would, and gives what the
    // page got; Caption receives the dialog's title.
    const auto answer = [&](const std::string& Script, const std::string& Keys, std::string& Caption) {
        std::optional<std::string> result;
        Browser->OnExecuteScript = [&](TCustomEdgeBrowser*, Shared::HRESULT, const std::string& Json) {
            result = Json;
        };
        Browser->ExecuteScript(Script);
        EXPECT_TRUE(RunUntil([] { return MessageDialogs().size() == 1; }, 10000));
        if (MessageDialogs().size() != 1) {
            return std::string("<no dialog>");
        }
        GtkWindow* dialog = MessageDialogs()[0];
        Caption = gtk_window_get_title(dialog);
        EXPECT_EQ(GTK_WIDGET(gtk_window_get_transient_for(dialog)),
                  gtk_widget_get_toplevel(Forms::ToGtk(Browser->Handle())));
        EXPECT_TRUE(gtk_window_get_modal(dialog));
        // The window manager knows it by the same caption. (A search may meet a window that is
        // just going, the last dialog's: then it is tried again.)
        const std::string activate = "timeout 5 xdotool search --onlyvisible --name '^" + Caption +
                                     "$' windowactivate --sync 2>/dev/null";
        EXPECT_TRUE(RunUntil([&] { return std::system(activate.c_str()) == 0; }, 10000));
        Type(Keys);
        RunUntil([&] { return result.has_value(); }, 10000);
        Browser->OnExecuteScript = nullptr;
        return result.value_or("<no result>");
    };
    std::string caption;
    EXPECT_EQ(answer("alert('Hello')", "Return", caption), "null");
    EXPECT_EQ(caption, "JavaScript - file:///index.html");
    EXPECT_EQ(answer("confirm('Sure?')", "Escape", caption), "false");
    EXPECT_EQ(answer("confirm('Sure?')", "Return", caption), "true");
    EXPECT_EQ(answer("prompt('Name?', 'x')", "ctrl+a n o t e s Return", caption), "\"notes\"");
    EXPECT_EQ(answer("prompt('Name?', 'x')", "Escape", caption), "null");
    EXPECT_EQ(caption, "JavaScript - file:///index.html");
    EXPECT_TRUE(MessageDialogs().empty());
}

TEST_F(InputTest, PermissionsThePageAsksForWithoutAGestureReachTheHost) {
    // Asked at load, with no user acting; the results go to the host through the top page.
    Site["ask.html"] = {R"(<!DOCTYPE html><title>Ask</title><script>
        addEventListener('load', async () => {
            const result = { notification: await Notification.requestPermission() };
            try { result.clipboard = await navigator.clipboard.readText(); }
            catch (e) { result.clipboard = e.name; }
            (window === top ? window : parent).postMessage(JSON.stringify(result), '*');
        });
        addEventListener('message', (e) => window.chrome.webview.postMessage(e.data));
        </script>)",
                        "text/html"};
    Site["frame-ask.html"] = {R"(<!DOCTYPE html><title>Frame</title><iframe src="ask.html"></iframe>
        <script>addEventListener('message', (e) => window.chrome.webview.postMessage(e.data));</script>)",
                              "text/html"};
    CreateServingBrowser();
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "from the test", -1);
    std::vector<WebView2::COREWEBVIEW2_PERMISSION_KIND> kinds;
    Browser->OnPermissionRequested = [&](TCustomEdgeBrowser*, Shared::TPermissionRequestedEventArgs* Args) {
        WebView2::COREWEBVIEW2_PERMISSION_KIND kind;
        (*Args)->get_PermissionKind(&kind);
        kinds.push_back(kind);
        (*Args)->put_State(WebView2::COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    };
    std::string answer;
    Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser*, Shared::TWebMessageReceivedEventArgs* Args) {
        WebView2::LPSTR text = nullptr;
        (*Args)->TryGetWebMessageAsString(&text);
        answer = WebView2::TakeString(text);
    };

    // A frame keeps the browser's rule: without a gesture it is refused, and the host is not asked.
    ASSERT_TRUE(Open("file:///frame-ask.html"));
    ASSERT_TRUE(RunUntil([&] { return !answer.empty(); }, 10000));
    EXPECT_EQ(nlohmann::json::parse(answer),
              nlohmann::json::parse(R"({"notification":"denied","clipboard":"NotAllowedError"})"));
    EXPECT_TRUE(kinds.empty());

    // The application's own page: the host decides, as for every other kind.
    answer.clear();
    ASSERT_TRUE(Open("file:///ask.html"));
    ASSERT_TRUE(RunUntil([&] { return !answer.empty(); }, 10000));
    EXPECT_EQ(nlohmann::json::parse(answer),
              nlohmann::json::parse(R"({"notification":"granted","clipboard":"from the test"})"));
    EXPECT_THAT(kinds, ElementsAre(WebView2::COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS,
                                   WebView2::COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ));
}

// The status-bar label the engine lays over the page (null when there is none).
GtkWidget* FindStatusLabel(GtkWidget* Widget) {
    if (GTK_IS_LABEL(Widget)) {
        return Widget;
    }
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(Widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(Widget));
        for (GList* c = children; c != nullptr && found == nullptr; c = c->next) {
            found = FindStatusLabel(GTK_WIDGET(c->data));
        }
        g_list_free(children);
    }
    return found;
}

unsigned ToplevelCount() {
    GList* list = gtk_window_list_toplevels();
    unsigned count = 0;
    for (GList* w = list; w != nullptr; w = w->next) {
        count += gtk_widget_get_visible(GTK_WIDGET(w->data)) ? 1 : 0;
    }
    g_list_free(list);
    return count;
}

TEST_F(InputTest, TheStatusBarShowsTheHoveredLink) {
    Site["link.html"] = {R"(<!DOCTYPE html><title>Link</title><style>body{margin:0}
        a{position:absolute;left:0;top:0;width:200px;height:100px;display:block}</style>
        <a href="second.html">big link</a>)",
                         "text/html"};
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///link.html"));
    GtkWidget* label = FindStatusLabel(Forms::ToGtk(Browser->Handle()));
    ASSERT_NE(label, nullptr);
    const std::string window = std::to_string(Window->XWindow());
    ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " 50 50").c_str()), 0);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_visible(label); }, 10000));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "file:///second.html");
    ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " 300 250").c_str()), 0);
    EXPECT_TRUE(RunUntil([&] { return !gtk_widget_get_visible(label); }, 10000));

    Browser->SetStatusBarEnabled(false);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " 60 60").c_str()), 0);
    RunFor(500);
    EXPECT_FALSE(gtk_widget_get_visible(label));
}

TEST_F(InputTest, ContextMenusFollowTheirSetting) {
    CreateServingBrowser();
    ASSERT_TRUE(Open("file:///index.html"));
    const std::string window = std::to_string(Window->XWindow());
    const unsigned before = ToplevelCount();
    Browser->SetDefaultContextMenusEnabled(false);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " 200 200 click 3").c_str()), 0);
    RunFor(700);
    EXPECT_EQ(ToplevelCount(), before);
    Browser->SetDefaultContextMenusEnabled(true);
    ASSERT_EQ(std::system(("xdotool mousemove --window " + window + " 210 210 click 3").c_str()), 0);
    EXPECT_TRUE(RunUntil([&] { return ToplevelCount() > before; }, 10000));
    ASSERT_EQ(std::system("xdotool key Escape"), 0);
}

} // namespace
