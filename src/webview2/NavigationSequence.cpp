#include "webview2/NavigationSequence.h"

#include <utility>

// The engine reports a navigation as started, (redirected,) committed, finished or failed; the
// address, title and history arrive as separate notifications, some earlier than the host's order.
// Those are held back until the commit (or, for a title, until the document has one).

namespace WebView2 {

void TNavigationSequence::NavigationDecided(std::string Uri, bool UserGesture) {
    FPolicyUri = std::move(Uri);
    FPolicyUserGesture = UserGesture;
}

void TNavigationSequence::Started() {
    FProvisional = true;
    if (FErrorPageLoading) {
        return;
    }
    FFailed = false;
    FCancelled = false;
    FNavigationId = FNextNavigationId++;
    RaiseStarting(false);
}

void TNavigationSequence::Redirected() {
    if (!FErrorPageLoading) {
        RaiseStarting(true);
    }
}

void TNavigationSequence::RaiseStarting(bool Redirected) {
    TNavigationStart start;
    // The engine's own address still names the old document when the page starts a navigation;
    // the decision just before knew the new one.
    start.Uri = !Redirected && !FPolicyUri.empty() ? FPolicyUri : FEngine.CurrentSource();
    start.IsUserInitiated = FPolicyUserGesture;
    start.IsRedirected = Redirected;
    start.NavigationId = FNavigationId;
    FPolicyUri.clear();
    if (FEngine.RaiseNavigationStarting(start) && FEngine.Alive()) {
        FCancelled = true;
        FEngine.StopLoading();
    }
}

void TNavigationSequence::Committed() {
    FProvisional = false;
    FTitle.clear(); // a new document
    if (FErrorPageLoading) {
        if (FErrorPageAnnounced) {
            FEngine.RaiseContentLoading(true, FNavigationId);
        }
    } else {
        CheckSource(true);
        FEngine.RaiseContentLoading(false, FNavigationId);
    }
    RaiseHistoryIfPending();
    if (FTitlePending && FEngine.Alive()) {
        CheckTitle(false);
    }
}

void TNavigationSequence::Finished() {
    FProvisional = false;
    if (FFailed) {
        FFailed = false; // the end of a failed load, already reported
        return;
    }
    if (FErrorPageLoading) {
        FErrorPageLoading = false;
        CheckTitle(true);
        return;
    }
    if (FCreating) {
        FReportedSource = FEngine.CurrentSource();
        FReportedTitle = DocumentTitle();
        EndCreation(S_OK);
        return;
    }
    // The engine may report a document's title after the load has finished; the document is
    // asked, so that DocumentTitleChanged comes before NavigationCompleted.
    FEngine.ReadDocumentTitle(FNavigationId);
}

void TNavigationSequence::DocumentTitleRead(UINT64 NavigationId, const std::optional<std::string>& Title) {
    if (!FEngine.Alive()) {
        return;
    }
    if (Title && NavigationId == FNavigationId) {
        FTitle = *Title;
    }
    CheckTitle(true);
    if (FEngine.Alive()) {
        FEngine.RaiseNavigationCompleted(true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN, NavigationId);
    }
}

void TNavigationSequence::Failed(COREWEBVIEW2_WEB_ERROR_STATUS Status, const std::string& FailingUri,
                                 const std::string& Reason) {
    FProvisional = false;
    FFailed = true;
    if (FErrorPageLoading) {
        FErrorPageLoading = false; // the error page itself failed: leave it
        return;
    }
    if (FCreating) {
        EndCreation(E_FAIL);
        return;
    }
    const bool cancelled = FCancelled || Status == COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;
    const unsigned loads = FHostLoads;
    FEngine.RaiseNavigationCompleted(
        false, cancelled ? COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED : Status, FNavigationId);
    CheckTitle(true);
    // A cancelled load leaves the page as it was; any other failure shows the error page once the
    // engine is done with the failed load, unless the host already went elsewhere.
    if (!cancelled && FEngine.Alive() && loads == FHostLoads) {
        TErrorPage page;
        page.Kind = TErrorPage::LoadFailed;
        page.Uri = FailingUri;
        page.Reason = Reason;
        page.Announced = FEngine.BuiltInErrorPageEnabled();
        page.Ticket = FHostLoads;
        FEngine.ShowErrorPageLater(std::move(page));
    }
}

void TNavigationSequence::ErrorPageDue(const TErrorPage& Page) {
    if (FEngine.Alive() && FHostLoads == Page.Ticket && !FProvisional) {
        ShowErrorPage(Page);
    }
}

void TNavigationSequence::ShowErrorPage(const TErrorPage& Page) {
    FErrorPageAnnounced = Page.Announced;
    FErrorPageLoading = true;
    HostLoad([&] { FEngine.LoadErrorPage(Page); });
}

void TNavigationSequence::UriChanged() {
    // During a load the new address is reported at the commit; outside one it is a navigation
    // inside the document (a fragment, history.pushState).
    if (FInLoadCall || FProvisional || FErrorPageLoading || FCreating) {
        return;
    }
    FPolicyUri.clear();
    CheckSource(false);
    RaiseHistoryIfPending();
}

void TNavigationSequence::HistoryChanged() {
    FHistoryPending = true;
    if (FInLoadCall || FProvisional || FCreating) {
        return; // raised after ContentLoading
    }
    // A navigation inside the document: its address change follows and raises this after
    // SourceChanged; a history entry without a new address (pushState of the same address) goes
    // out on its own a moment later.
    FEngine.CheckHistoryLater();
}

void TNavigationSequence::HistoryDue() {
    RaiseHistoryIfPending();
}

void TNavigationSequence::TitleChanged() {
    if (FCreating) {
        return;
    }
    if (FProvisional) {
        FTitlePending = true;
        return;
    }
    if (!FEngine.IsLoading()) {
        // A title the page sets (or clears) once it has loaded.
        FTitle = FEngine.EngineTitle();
        CheckTitle(true);
    } else {
        CheckTitle(false);
    }
}

void TNavigationSequence::ProcessGone(const std::string& Uri, bool OnPurpose) {
    FProvisional = false;
    FErrorPageLoading = false;
    if (FCreating) {
        EndCreation(E_FAIL);
        return;
    }
    const unsigned loads = FHostLoads;
    FEngine.RaiseProcessFailed(OnPurpose ? COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED
                                         : COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    // The page is gone: show why, with a link to load it again, unless the host already did
    // something about it. It never reloads by itself.
    if (FEngine.Alive() && loads == FHostLoads && !OnPurpose) {
        TErrorPage page;
        page.Kind = TErrorPage::ProcessFailed;
        page.Uri = Uri;
        page.Ticket = FHostLoads;
        ShowErrorPage(page);
    }
}

std::string TNavigationSequence::DocumentTitle() const {
    return !FTitle.empty() ? FTitle : FEngine.CurrentSource();
}

void TNavigationSequence::CheckSource(bool NewDocument) {
    std::string source = FEngine.CurrentSource();
    if (source == FReportedSource) {
        return;
    }
    FReportedSource = std::move(source);
    FEngine.RaiseSourceChanged(NewDocument);
}

void TNavigationSequence::CheckTitle(bool Final) {
    if (std::string title = FEngine.EngineTitle(); !title.empty()) {
        FTitle = std::move(title);
    }
    // A document's title is empty until its <title> is read; the address stands in for a missing
    // title only once the document has loaded, so the title does not flicker.
    if (FTitle.empty() && !Final) {
        FTitlePending = true;
        return;
    }
    FTitlePending = false;
    std::string title = DocumentTitle();
    if (title == FReportedTitle) {
        return;
    }
    FReportedTitle = std::move(title);
    FEngine.RaiseDocumentTitleChanged();
}

void TNavigationSequence::RaiseHistoryIfPending() {
    if (FHistoryPending && FEngine.Alive()) {
        FHistoryPending = false;
        FEngine.RaiseHistoryChanged();
    }
}

void TNavigationSequence::EndCreation(HRESULT Result) {
    FCreating = false;
    FEngine.CompleteCreation(Result);
}

} // namespace WebView2
