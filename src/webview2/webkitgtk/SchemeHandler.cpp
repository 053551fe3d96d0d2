#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/ReadAheadStream.h"
#include "webview2/webkitgtk/Scheme.h"

#include "webview2/Streams.h"
#include "webview2/UriMapping.h"

#include <libsoup/soup.h>

#include <memory>
#include <string>
#include <string_view>

namespace WebView2::WebKitGtk {

namespace {

std::string_view TrimBlanks(std::string_view Text) {
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r')) {
        Text.remove_suffix(1);
    }
    return Text;
}

void Fail(WebKitURISchemeRequest* Request, GQuark Domain, int Code, const std::string& Message) {
    const TGError error(g_error_new_literal(Domain, Code, Message.c_str()));
    webkit_uri_scheme_request_finish_error(Request, error.get());
}

} // namespace

bool AnswerFromDisk(const std::string& HostUri, bool Sandboxed, TFileAnswer& Answer) {
    std::string uri = HostUri;
    if (const std::size_t query = uri.find('?'); query != std::string::npos) {
        uri.resize(query);
    }
    const TGString path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    if (path == nullptr) {
        return false;
    }
    // Regular files only: a FIFO or a device would hold the reader, or never end.
    HRESULT result = S_OK;
    Answer.Content = OpenRegularFileStream(path.get(), result);
    if (!Answer.Content) {
        return false;
    }
    gboolean uncertain = FALSE;
    const TGString type(g_content_type_guess(path.get(), nullptr, 0, &uncertain));
    const TGString mime(type != nullptr ? g_content_type_get_mime_type(type.get()) : nullptr);
    Answer.ContentType = mime != nullptr ? mime.get() : "application/octet-stream";
    Answer.Headers.reset(soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE));
    soup_message_headers_replace(Answer.Headers.get(), "Content-Type", Answer.ContentType.c_str());
    if (Sandboxed) {
        // A file the host was asked for and did not vouch for: shown, but without scripts and
        // in an origin of its own, so it cannot reach the application's pages.
        soup_message_headers_replace(Answer.Headers.get(), "Content-Security-Policy", "sandbox");
    }
    return true;
}

TFileAnswer AnswerFromResponse(ICoreWebView2WebResourceResponse* Response) {
    TFileAnswer answer;
    Response->get_Content(answer.Content.ReleaseAndGetAddressOf());
    if (!answer.Content) {
        answer.Content = CreateMemoryStream();
    }
    Response->get_StatusCode(&answer.Status);
    answer.Reason = TakeString([&] {
        LPSTR text = nullptr;
        Response->get_ReasonPhrase(&text);
        return text;
    }());
    const std::string headerText = TakeString([&] {
        LPSTR text = nullptr;
        Response->get_Headers(&text);
        return text;
    }());

    // Every header goes through as a real HTTP header: without them fetch() responses have no
    // headers and streaming WebAssembly compilation refuses the module.
    answer.Headers.reset(soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE));
    std::string_view rest = headerText;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = TrimBlanks(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            continue;
        }
        const std::string name(TrimBlanks(line.substr(0, colon)));
        const std::string value(TrimBlanks(line.substr(colon + 1)));
        soup_message_headers_append(answer.Headers.get(), name.c_str(), value.c_str());
        if (g_ascii_strcasecmp(name.c_str(), "Content-Type") == 0) {
            answer.ContentType = value;
        }
    }
    return answer;
}

// WebKit reads the content as it needs it, off the GUI thread.
void FinishSchemeRequest(WebKitURISchemeRequest* Request, TFileAnswer Answer) {
    UINT64 length = 0;
    const gint64 size =
        Succeeded(RemainingLength(Answer.Content.Get(), length)) ? static_cast<gint64>(length) : -1;
    const auto stream = TGObjectPtr<GInputStream>::Adopt(NewReadAheadStream(Answer.Content.Get()));
    const auto response =
        TGObjectPtr<WebKitURISchemeResponse>::Adopt(webkit_uri_scheme_response_new(stream.Get(), size));
    webkit_uri_scheme_response_set_status(response.Get(), static_cast<guint>(Answer.Status),
                                          Answer.Reason.empty() ? nullptr : Answer.Reason.c_str());
    if (!Answer.ContentType.empty()) {
        webkit_uri_scheme_response_set_content_type(response.Get(), Answer.ContentType.c_str());
    }
    webkit_uri_scheme_response_set_http_headers(response.Get(), Answer.Headers.release()); // takes them over
    webkit_uri_scheme_request_finish_with_response(Request, response.Get());
}

void ServeFromDisk(WebKitURISchemeRequest* Request, bool Sandboxed) {
    const std::string uri = MapToHostUri(StripFragment(webkit_uri_scheme_request_get_uri(Request)));
    TFileAnswer answer;
    if (!AnswerFromDisk(uri, Sandboxed, answer)) {
        Fail(Request, G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found: " + uri);
        return;
    }
    FinishSchemeRequest(Request, std::move(answer));
}

bool TBrowser::AnswerFileRequest(const std::string& HostUri, const char* Method, SoupMessageHeaders* Headers,
                                 TFileAnswer& Answer) {
    const ComPtr<TBrowser> keep(this);
    bool wanted = false;
    for (const TFilter& filter : FFilters) {
        // WebKit does not say what kind of resource a request is for, so a filter for one
        // kind catches every request of its pattern: nothing the host asked for is missed.
        wanted = wanted || MatchesUriFilter(filter.Pattern, HostUri);
    }
    if (Alive() && wanted && !FWebResourceRequested.Empty()) {
        auto request = MakeCom<TWebResourceRequest>();
        request->Uri = HostUri;
        if (Method != nullptr) {
            request->Method = Method;
        }
        if (Headers != nullptr) {
            SoupMessageHeadersIter iter;
            soup_message_headers_iter_init(&iter, Headers);
            const char* name = nullptr;
            const char* value = nullptr;
            while (soup_message_headers_iter_next(&iter, &name, &value)) {
                request->Headers.emplace_back(name, value);
            }
        }
        auto args = MakeCom<TWebResourceRequestedArgs>();
        args->Request = request;
        FWebResourceRequested.Raise(Core(), args.Get());
        if (args->Response) {
            Answer = AnswerFromResponse(args->Response.Get());
            return true;
        }
        return AnswerFromDisk(HostUri, true, Answer);
    }
    return AnswerFromDisk(HostUri, false, Answer);
}

void TBrowser::HandleFileRequest(WebKitURISchemeRequest* Request) {
    const ComPtr<TBrowser> keep(this);
    const std::string uri = MapToHostUri(StripFragment(webkit_uri_scheme_request_get_uri(Request)));
    TFileAnswer answer;
    if (!AnswerFileRequest(uri, webkit_uri_scheme_request_get_http_method(Request),
                           webkit_uri_scheme_request_get_http_headers(Request), answer)) {
        Fail(Request, G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found: " + uri);
        return;
    }
    FinishSchemeRequest(Request, std::move(answer));
}

} // namespace WebView2::WebKitGtk
