#include "webview2/NavigationSequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace WebView2;
using testing::ElementsAreArray;

namespace {

// An engine as the sequence sees it, driven by steps written the way WebKit reports a load, with
// a host that reacts the way a test asks. It records every event and every piece of work.
class TFakeEngine final : public INavigationEngine {
public:
    TNavigationSequence Sequence{*this};

    void Run(const std::vector<std::string>& Steps) {
        for (const std::string& step : Steps) {
            const std::size_t space = step.find(' ');
            const std::string verb = step.substr(0, space);
            const std::string arg = space == std::string::npos ? "" : step.substr(space + 1);
            Step(verb, arg);
        }
    }

    std::vector<std::string> Events;

private:
    void Step(const std::string& Verb, const std::string& Arg) {
        if (Verb == "create") { // the engine's first page, while the browser is made
            Sequence.InitialLoad([&] { FLoading = true; });
        } else if (Verb == "navigate") { // the host's Navigate; WebKit names the new address at once
            Navigate(Arg);
        } else if (Verb == "link") { // the user follows a link in the page
            Sequence.NavigationDecided(Arg, true);
        } else if (Verb == "start") {
            FLoading = true;
            Sequence.Started();
        } else if (Verb == "redirect") {
            FAddress = Arg;
            Sequence.Redirected();
        } else if (Verb == "uri") {
            FAddress = Arg;
            Sequence.UriChanged();
        } else if (Verb == "commit") {
            Sequence.Committed();
        } else if (Verb == "title") {
            FTitle = Arg;
            Sequence.TitleChanged();
        } else if (Verb == "history") {
            Sequence.HistoryChanged();
        } else if (Verb == "finish") {
            FLoading = false;
            Sequence.Finished();
        } else if (Verb == "fail") {
            FLoading = false;
            Sequence.Failed(Arg == "cancelled" ? COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED
                                               : COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT,
                            FAddress, "Connection refused");
        } else if (Verb == "crash" || Verb == "terminate") {
            FLoading = false;
            Sequence.ProcessGone(FAddress, Verb == "terminate");
        } else if (Verb == "idle") { // the event loop runs what was left for later
            for (const auto& work : std::exchange(FLater, {})) {
                work();
            }
        } else if (Verb == "host-cancels") { // in its next NavigationStarting
            FCancelNext = true;
        } else if (Verb == "host-navigates-when-completed") {
            FNavigateOnCompleted = Arg;
        } else if (Verb == "no-error-pages") {
            FErrorPages = false;
        } else {
            ADD_FAILURE() << "unknown step " << Verb;
        }
    }

    void Navigate(const std::string& Uri) {
        Sequence.HostLoad([&] {
            FAddress = Uri;
            FLoading = true;
            Sequence.UriChanged();
        });
    }

    static std::string Id(UINT64 NavigationId) { return " #" + std::to_string(NavigationId); }

    std::string CurrentSource() const override { return FAddress; }
    std::string EngineTitle() const override { return FTitle; }
    bool IsLoading() const override { return FLoading; }
    bool Alive() const override { return true; }
    bool BuiltInErrorPageEnabled() const override { return FErrorPages; }

    bool RaiseNavigationStarting(const TNavigationStart& Start) override {
        Events.push_back("starting " + Start.Uri + (Start.IsRedirected ? " redirected" : "") +
                         (Start.IsUserInitiated ? " by the user" : "") + Id(Start.NavigationId));
        return std::exchange(FCancelNext, false);
    }
    void RaiseSourceChanged(bool IsNewDocument) override {
        Events.push_back("source " + FAddress + (IsNewDocument ? " new" : " same"));
    }
    void RaiseContentLoading(bool IsErrorPage, UINT64 NavigationId) override {
        Events.push_back(std::string(IsErrorPage ? "loading error page" : "loading") + Id(NavigationId));
    }
    void RaiseHistoryChanged() override { Events.push_back("history"); }
    // The host reads the title when it hears of a change.
    void RaiseDocumentTitleChanged() override { Events.push_back("title " + Sequence.DocumentTitle()); }
    void RaiseNavigationCompleted(bool IsSuccess, COREWEBVIEW2_WEB_ERROR_STATUS Status,
                                  UINT64 NavigationId) override {
        const std::string status = Status == COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED ? "cancelled"
                                   : Status == COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT ? "cannot connect"
                                                                                            : "other";
        Events.push_back((IsSuccess ? "completed" : "failed " + status) + Id(NavigationId));
        if (!FNavigateOnCompleted.empty()) {
            Navigate(std::exchange(FNavigateOnCompleted, ""));
        }
    }
    void RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND Kind) override {
        Events.push_back(Kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED
                             ? "process failed render"
                             : "process failed browser");
    }
    void CompleteCreation(HRESULT Result) override {
        Events.push_back(Succeeded(Result) ? "created" : "creation failed");
    }
    void StopLoading() override { Events.push_back("stop loading"); }
    void ReadDocumentTitle(UINT64 NavigationId) override {
        FLater.push_back([this, NavigationId] { Sequence.DocumentTitleRead(NavigationId, FTitle); });
    }
    void CheckHistoryLater() override {
        FLater.push_back([this] { Sequence.HistoryDue(); });
    }
    void ShowErrorPageLater(TErrorPage Page) override {
        FLater.push_back([this, Page] { Sequence.ErrorPageDue(Page); });
    }
    void LoadErrorPage(const TErrorPage& Page) override {
        Events.push_back("error page " + Page.Uri +
                         (Page.Kind == TErrorPage::ProcessFailed ? " (process)"
                          : Page.Announced                       ? ""
                                                                 : " (empty)"));
        FAddress = Page.Uri;
        FLoading = true;
    }

    std::string FAddress = "about:blank";
    std::string FTitle;
    bool FLoading = false;
    bool FErrorPages = true;
    bool FCancelNext = false;
    std::string FNavigateOnCompleted;
    std::vector<std::function<void()>> FLater;
};

// The application's page, loaded and shown: navigation 1.
const std::vector<std::string> PageShown = {
    "navigate file:///index.html", "start", "history", "commit", "title Test page", "finish", "idle",
};

TEST(NavigationSequence, ThePreambleIsAPlainLoad) {
    TFakeEngine engine;
    engine.Run(PageShown);
    EXPECT_THAT(engine.Events,
                ElementsAreArray({"starting file:///index.html #1", "source file:///index.html new",
                                  "loading #1", "history", "title Test page", "completed #1"}));
}

TEST(NavigationSequence, EventsComeInTheHostsOrder) {
    struct TCase {
        const char* Name;
        std::vector<std::string> Steps; // after PageShown, unless they create the browser
        std::vector<std::string> Events;
    };
    const TCase cases[] = {
        {"a link: WebKit names the address and the history before the commit",
         {"link file:///second.html", "start", "uri file:///second.html", "history", "commit",
          "title Second page", "finish", "idle"},
         {"starting file:///second.html by the user #2", "source file:///second.html new", "loading #2",
          "history", "title Second page", "completed #2"}},
        {"the host cancels: the load ends as cancelled, whatever WebKit says, and the page stays",
         {"host-cancels", "navigate file:///b.html", "start", "fail", "uri file:///index.html", "finish",
          "idle"},
         {"starting file:///b.html #2", "stop loading", "failed cancelled #2"}},
        {"a failure shows the error page once WebKit is done with the load",
         {"navigate file:///missing.html", "start", "fail", "finish", "idle", "start", "commit",
          "title This page could not be loaded", "finish"},
         {"starting file:///missing.html #2", "failed cannot connect #2", "error page file:///missing.html",
          "loading error page #2", "title This page could not be loaded"}},
        {"without the built-in error page an empty page takes its place, unannounced",
         {"no-error-pages", "navigate file:///missing.html", "start", "fail", "finish", "idle", "start",
          "commit", "title", "finish"},
         {"starting file:///missing.html #2", "failed cannot connect #2",
          "error page file:///missing.html (empty)", "title file:///missing.html"}},
        {"a failure after the host navigated elsewhere from its completion handler shows no error page",
         {"host-navigates-when-completed file:///other.html", "navigate file:///missing.html", "start",
          "fail", "finish", "idle", "start", "commit"},
         {"starting file:///missing.html #2", "failed cannot connect #2", "starting file:///other.html #3",
          "source file:///other.html new", "loading #3"}},
        {"a failure after the host navigated elsewhere before the error page was due shows none",
         {"navigate file:///missing.html", "start", "fail", "finish", "navigate file:///other.html", "idle",
          "start"},
         {"starting file:///missing.html #2", "failed cannot connect #2", "starting file:///other.html #3"}},
        {"pushState to the same address: the history change goes out on its own a moment later",
         {"history", "idle"},
         {"history"}},
        {"a fragment: the address change comes first, then the history change it brought",
         {"history", "uri file:///index.html#part", "idle"},
         {"source file:///index.html#part same", "history"}},
        {"a crash: ProcessFailed, then the error page with its reload link, never a reload",
         {"crash", "start", "commit", "title This page is having a problem", "finish", "idle"},
         {"process failed render", "error page file:///index.html (process)", "loading error page #1",
          "title This page is having a problem"}},
        {"a process the browser ended itself shows no error page",
         {"terminate", "idle"},
         {"process failed browser"}},
        {"a page without a title is known by its address, once it has loaded",
         {"link file:///b.html", "start", "title", "uri file:///b.html", "commit", "finish", "idle"},
         {"starting file:///b.html by the user #2", "source file:///b.html new", "loading #2",
          "title file:///b.html", "completed #2"}},
        {"a redirect starts the same navigation again, at the new address",
         {"navigate http://127.0.0.1/a", "start", "redirect http://127.0.0.1/b"},
         {"starting http://127.0.0.1/a #2", "starting http://127.0.0.1/b redirected #2"}},
        // The host subscribes once the browser is created, so it sees none of the first page's
        // events; the address and title it then reads are the ones the sequence knows.
        {"the browser is created once its first page has loaded",
         {"create", "start", "history", "uri about:blank", "commit", "title", "finish", "idle"},
         {"starting about:blank #1", "source about:blank new", "loading #1", "history", "created"}},
        {"a crash while the browser is created fails the creation",
         {"create", "start", "crash", "idle"},
         {"starting about:blank #1", "creation failed"}},
    };
    for (const TCase& c : cases) {
        TFakeEngine engine;
        if (c.Steps.front() != "create") {
            engine.Run(PageShown);
            engine.Events.clear();
        }
        engine.Run(c.Steps);
        EXPECT_THAT(engine.Events, ElementsAreArray(c.Events)) << c.Name;
    }
}

} // namespace
