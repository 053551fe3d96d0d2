#include "webview2/webkitgtk/Downloads.h"
#include "webview2/webkitgtk/DownloadDialogs.h"
#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/FileSaving.h"

#include "base/glib/Signals.h"
#include "webview2/DownloadNames.h"
#include "webview2/UriMapping.h"

#include <memory>
#include <string>

namespace WebView2::WebKitGtk {

using Base::GLib::ConnectSignal;

const char* const DownloadLinkScript = R"JS((() => {
  'use strict';
  if (location.protocol !== 'vtr-file:') return;
  // After the page's own handlers, which may prevent the download.
  window.addEventListener('click', (event) => {
    const link = event.target instanceof Element
      ? event.target.closest('a[download][href], area[download][href]') : null;
    if (!link || event.defaultPrevented || event.button !== 0 || !/^(vtr-)?file:\/\/\//i.test(link.href)) return;
    event.preventDefault();
    window.webkit.messageHandlers.vtrEngine.postMessage(
      { kind: 'download', uri: link.href, name: link.getAttribute('download') || '' });
  });
})();
)JS";

namespace {

const char* const NotFound = "The file was not found.";

GtkWindow* OwnerOf(WebKitWebView* View) {
    return OwnerWindowOf(View != nullptr ? GTK_WIDGET(View) : nullptr);
}

void OnDownloadStarted(WebKitDownload* Download) {
    WebKitURIRequest* request = webkit_download_get_request(Download);
    const char* raw = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
    const std::string uri = raw != nullptr ? raw : "";
    if (IsEngineFileUri(uri)) {
        // WebKit fetches downloads elsewhere than pages, where the engine's scheme is unknown:
        // the engine saves the file itself, for the application's own window only.
        WebKitWebView* view = webkit_download_get_web_view(Download);
        webkit_download_cancel(Download);
        if (TBrowser* browser = view != nullptr ? TBrowser::FromView(view) : nullptr) {
            browser->DownloadFile(MapToHostUri(uri), "");
        }
        return;
    }
    // WebKit removes its destination when a download fails, so it never writes the user's file:
    // it writes a new one beside it, which replaces the user's file once it is complete.
    struct TState {
        std::string Name;
        std::string Destination; // the user's choice
        std::string Temporary;   // WebKit's destination
        bool Failed = false;
    };
    auto state = std::make_shared<TState>();
    state->Name = DownloadFileName("", uri);
    ConnectSignal<gboolean(WebKitDownload*, gchar*)>(
        Download, "decide-destination", [state, uri](WebKitDownload* Started, gchar* Suggested) {
            state->Name = DownloadFileName(Suggested != nullptr ? Suggested : "", uri);
            AskDownloadDestination(
                OwnerOf(webkit_download_get_web_view(Started)), state->Name,
                [state, download = TGObjectPtr<WebKitDownload>::Ref(Started)](const std::string& Path) {
                    if (Path.empty()) {
                        webkit_download_cancel(download.Get()); // nothing is written
                        return;
                    }
                    std::string error;
                    state->Temporary = CreateFileBeside(Path, error);
                    const TGString fileUri(
                        state->Temporary.empty()
                            ? nullptr
                            : g_filename_to_uri(state->Temporary.c_str(), nullptr, nullptr));
                    if (fileUri == nullptr) {
                        webkit_download_cancel(download.Get());
                        ShowDownloadFailed(OwnerOf(webkit_download_get_web_view(download.Get())), state->Name,
                                           error.empty() ? "The folder cannot be written to." : error);
                        return;
                    }
                    // The user chose the path, and confirmed replacing what is there.
                    state->Destination = Path;
                    webkit_download_set_allow_overwrite(download.Get(), TRUE);
                    webkit_download_set_destination(download.Get(), fileUri.get());
                });
            return TRUE;
        });
    ConnectSignal<void(WebKitDownload*, GError*)>(
        Download, "failed", [state](WebKitDownload* Failed, GError* Error) {
            state->Failed = true;
            if (!state->Temporary.empty()) {
                RemoveFileBeside(state->Temporary);
            }
            if (g_error_matches(Error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
                return;
            }
            ShowDownloadFailed(OwnerOf(webkit_download_get_web_view(Failed)), state->Name,
                               Error != nullptr ? Error->message : "The download failed.");
        });
    ConnectSignal<void(WebKitDownload*)>(Download, "finished", [state](WebKitDownload* Finished) {
        if (state->Failed || state->Temporary.empty()) {
            return;
        }
        if (const std::string reason = ReplaceWithFileBeside(state->Temporary, state->Destination);
            !reason.empty()) {
            ShowDownloadFailed(OwnerOf(webkit_download_get_web_view(Finished)), state->Name, reason);
        }
    });
}

} // namespace

void WatchDownloads(WebKitWebContext* Context) {
    ConnectSignal<void(WebKitWebContext*, WebKitDownload*)>(
        Context, "download-started",
        [](WebKitWebContext*, WebKitDownload* Download) { OnDownloadStarted(Download); });
}

ComPtr<IStream> TBrowser::OpenFileForDownload(const std::string& HostUri, std::string& Error) {
    // What the page would get for the address: the host's answer, or the regular file on disk.
    TFileAnswer answer;
    if (!AnswerFileRequest(std::string(StripFragment(HostUri)), "GET", nullptr, answer) ||
        answer.Status < 200 || answer.Status > 299) {
        Error = NotFound;
        return {};
    }
    return answer.Content;
}

void TBrowser::DownloadFile(const std::string& HostUri, const std::string& SuggestedName) {
    if (!Alive()) {
        return;
    }
    const std::string name = DownloadFileName(SuggestedName, HostUri);
    std::string error;
    ComPtr<IStream> content = OpenFileForDownload(HostUri, error);
    if (!Alive()) {
        return; // the host closed the browser meanwhile
    }
    if (!content) {
        ShowDownloadFailed(OwnerOf(View()), name, error);
        return;
    }
    AskDownloadDestination(
        OwnerOf(View()), name, [browser = ComPtr<TBrowser>(this), content, name](const std::string& Path) {
            if (Path.empty()) {
                return; // cancelled: nothing is written
            }
            SaveStreamAs(content, Path, [browser, name](const std::string& Failure) {
                if (!Failure.empty()) {
                    ShowDownloadFailed(browser->Alive() ? OwnerOf(browser->View()) : nullptr, name, Failure);
                }
            });
        });
}

bool TBrowser::OnResponseDecision(WebKitResponsePolicyDecision* Decision) {
    // A response of the application's files that the page cannot show, or that asks to be
    // saved, is a download, as it would be in a browser.
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(Decision);
    const char* uri = webkit_uri_response_get_uri(response);
    if (uri == nullptr || !IsEngineFileUri(uri)) {
        return false; // WebKit's own course
    }
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* disposition =
        headers != nullptr ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    const bool attachment = disposition != nullptr && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
    if (webkit_response_policy_decision_is_mime_type_supported(Decision) && !attachment) {
        return false;
    }
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(Decision));
    const char* suggested = webkit_uri_response_get_suggested_filename(response);
    DownloadFile(MapToHostUri(uri), suggested != nullptr ? suggested : "");
    return true;
}

} // namespace WebView2::WebKitGtk
