#pragma once

// The order of a main-frame navigation's events as the host expects them: NavigationStarting,
// SourceChanged, ContentLoading, HistoryChanged, DocumentTitleChanged, NavigationCompleted; and
// what follows a failed load or a lost page process (ProcessFailed, the error page). A browser
// engine reports the same steps in its own shape and order: it feeds them in here as they come,
// and the sequence hands the events back through INavigationEngine in the host's order. Nothing
// here knows an engine, so the order can be tested on its own.

#include "webview2/WebView2.h"

#include <optional>
#include <string>

namespace WebView2 {

// What a NavigationStarting carries.
struct TNavigationStart {
    std::string Uri;
    bool IsUserInitiated = false;
    bool IsRedirected = false;
    UINT64 NavigationId = 0;
};

// A page shown in place of one that could not be shown.
struct TErrorPage {
    enum TKind { LoadFailed, ProcessFailed };
    TKind Kind = LoadFailed;
    std::string Uri;    // the address that failed, as the engine names it
    std::string Reason; // why it failed (LoadFailed)
    // The host sees this page (ContentLoading with IsErrorPage). Without the built-in error page
    // an empty page takes the failed one's place, unannounced.
    bool Announced = true;
    unsigned Ticket = 0; // the host's loads when it was asked for: it goes once the host moves on
};

// The engine's side: what the sequence reads of the browser at the moment it needs it, the events
// it raises for the host, and the work it asks of the engine (later work answers with an input).
class INavigationEngine {
public:
    // The current address as the host sees it.
    virtual std::string CurrentSource() const = 0;
    // The engine's title of the document; empty while it has none.
    virtual std::string EngineTitle() const = 0;
    virtual bool IsLoading() const = 0;
    // False once the browser is closed.
    virtual bool Alive() const = 0;
    virtual bool BuiltInErrorPageEnabled() const = 0;

    // True when the host cancelled the navigation.
    virtual bool RaiseNavigationStarting(const TNavigationStart& Start) = 0;
    virtual void RaiseSourceChanged(bool IsNewDocument) = 0;
    virtual void RaiseContentLoading(bool IsErrorPage, UINT64 NavigationId) = 0;
    virtual void RaiseHistoryChanged() = 0;
    virtual void RaiseDocumentTitleChanged() = 0;
    virtual void RaiseNavigationCompleted(bool IsSuccess, COREWEBVIEW2_WEB_ERROR_STATUS Status,
                                          UINT64 NavigationId) = 0;
    virtual void RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND Kind) = 0;

    // The browser's first page has loaded (S_OK) or never will.
    virtual void CompleteCreation(HRESULT Result) = 0;
    virtual void StopLoading() = 0;
    // Asks the document for its title; answered with DocumentTitleRead.
    virtual void ReadDocumentTitle(UINT64 NavigationId) = 0;
    // Answered with HistoryDue a moment later.
    virtual void CheckHistoryLater() = 0;
    // Answered with ErrorPageDue once the engine is done with the failed load.
    virtual void ShowErrorPageLater(TErrorPage Page) = 0;
    // Starts loading Page in place of the current document.
    virtual void LoadErrorPage(const TErrorPage& Page) = 0;

protected:
    ~INavigationEngine() = default;
};

class TNavigationSequence {
public:
    explicit TNavigationSequence(INavigationEngine& Engine) : FEngine(Engine) {}
    TNavigationSequence(const TNavigationSequence&) = delete;
    TNavigationSequence& operator=(const TNavigationSequence&) = delete;

    // The engine's own calls that start a load run inside these. The first page, shown while the
    // browser is being created, raises nothing the host could see.
    template <class F>
    void InitialLoad(F&& Load) {
        FCreating = true;
        InLoadCall(Load);
    }
    // A load the host (or the engine for it) starts: a failure of an earlier load no longer shows
    // its error page once the host has moved on.
    template <class F>
    void HostLoad(F&& Load) {
        ++FHostLoads;
        InLoadCall(Load);
    }

    // ---- What the engine reports, as it comes.
    // The engine is about to follow a link or script navigation to Uri (host form).
    void NavigationDecided(std::string Uri, bool UserGesture);
    // The main frame's load started, was redirected, committed its document, finished, failed.
    void Started();
    void Redirected();
    void Committed();
    void Finished();
    void Failed(COREWEBVIEW2_WEB_ERROR_STATUS Status, const std::string& FailingUri,
                const std::string& Reason);
    void UriChanged();
    void TitleChanged();
    void HistoryChanged();
    // The page's process ended (OnPurpose: the browser ended it); Uri is the page it showed, as
    // the engine names it.
    void ProcessGone(const std::string& Uri, bool OnPurpose);

    // ---- Answers to the work asked of the engine.
    // Title: the document's own, when it could be read.
    void DocumentTitleRead(UINT64 NavigationId, const std::optional<std::string>& Title);
    void HistoryDue();
    void ErrorPageDue(const TErrorPage& Page);

    // The document's title; a document without one is known by its address, as in a browser tab.
    std::string DocumentTitle() const;
    // An id for a navigation the sequence does not order (a sub-frame's).
    UINT64 NewNavigationId() { return FNextNavigationId++; }

private:
    template <class F>
    void InLoadCall(F& Load) {
        FInLoadCall = true;
        Load();
        FInLoadCall = false;
    }
    void RaiseStarting(bool Redirected);
    void CheckSource(bool NewDocument);
    void CheckTitle(bool Final);
    void RaiseHistoryIfPending();
    void ShowErrorPage(const TErrorPage& Page);
    void EndCreation(HRESULT Result);

    INavigationEngine& FEngine;
    UINT64 FNextNavigationId = 1;
    UINT64 FNavigationId = 0;         // the navigation under way or last committed
    bool FCreating = false;           // the first page is loading
    bool FProvisional = false;        // started, not yet committed
    bool FCancelled = false;          // the host cancelled the navigation under way
    bool FFailed = false;             // the load failed; its end is not a success
    bool FErrorPageLoading = false;   // the load under way shows an error page
    bool FErrorPageAnnounced = false; // ... which the host sees
    bool FInLoadCall = false;         // inside the engine's own call that starts a load
    unsigned FHostLoads = 0;          // loads the host (or the engine for it) started
    bool FHistoryPending = false;     // a history change waits for its place in the order
    bool FTitlePending = false;       // a title change waits for the commit or the title
    std::string FPolicyUri;           // the navigation just decided, before the engine names it
    bool FPolicyUserGesture = false;
    std::string FReportedSource;
    std::string FReportedTitle;
    std::string FTitle; // the document's title as far as it is known
};

} // namespace WebView2
