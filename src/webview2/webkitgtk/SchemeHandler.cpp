#include "webview2/webkitgtk/ComInputStream.h"
#include "webview2/webkitgtk/Engine.h"
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

// Finishes Request with Content as the body, which WebKit reads as it needs it, off the GUI
// thread.
void Respond(WebKitURISchemeRequest* Request, IStream* Content, int Status, const std::string& Reason,
             const std::string& ContentType, TSoupHeaders Headers) {
    UINT64 length = 0;
    const gint64 size = Succeeded(RemainingLength(Content, length)) ? static_cast<gint64>(length) : -1;
    const auto stream = TGObjectPtr<GInputStream>::Adopt(NewComInputStream(Content));
    const auto response =
        TGObjectPtr<WebKitURISchemeResponse>::Adopt(webkit_uri_scheme_response_new(stream.Get(), size));
    webkit_uri_scheme_response_set_status(response.Get(), static_cast<guint>(Status),
                                          Reason.empty() ? nullptr : Reason.c_str());
    if (!ContentType.empty()) {
        webkit_uri_scheme_response_set_content_type(response.Get(), ContentType.c_str());
    }
    webkit_uri_scheme_response_set_http_headers(response.Get(), Headers.release()); // takes them over
    webkit_uri_scheme_request_finish_with_response(Request, response.Get());
}

} // namespace

void ServeFromDisk(WebKitURISchemeRequest* Request, bool Sandboxed) {
    std::string uri = MapToHostUri(StripFragment(webkit_uri_scheme_request_get_uri(Request)));
    if (const std::size_t query = uri.find('?'); query != std::string::npos) {
        uri.resize(query);
    }
    const TGString path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    if (path == nullptr) {
        Fail(Request, G_IO_ERROR, G_IO_ERROR_INVALID_FILENAME, "Not a file URL: " + uri);
        return;
    }
    // Regular files only: a FIFO or a device would hold the reader, or never end.
    HRESULT result = S_OK;
    const ComPtr<IStream> content = OpenRegularFileStream(path.get(), result);
    if (!content) {
        Fail(Request, G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found: " + uri);
        return;
    }
    gboolean uncertain = FALSE;
    const TGString type(g_content_type_guess(path.get(), nullptr, 0, &uncertain));
    const TGString mime(type != nullptr ? g_content_type_get_mime_type(type.get()) : nullptr);
    const std::string contentType = mime != nullptr ? mime.get() : "application/octet-stream";
    TSoupHeaders headers(soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE));
    soup_message_headers_replace(headers.get(), "Content-Type", contentType.c_str());
    if (Sandboxed) {
        // A file the host was asked for and did not vouch for: shown, but without scripts and
        // in an origin of its own, so it cannot reach the application's pages.
        soup_message_headers_replace(headers.get(), "Content-Security-Policy", "sandbox");
    }
    Respond(Request, content.Get(), 200, "OK", contentType, std::move(headers));
}

void FinishWithResponse(WebKitURISchemeRequest* Request, ICoreWebView2WebResourceResponse* Response) {
    ComPtr<IStream> content;
    Response->get_Content(content.ReleaseAndGetAddressOf());
    if (!content) {
        content = CreateMemoryStream();
    }
    int status = 200;
    Response->get_StatusCode(&status);
    const std::string reason = TakeString([&] {
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
    TSoupHeaders headers(soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE));
    std::string contentType;
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
        soup_message_headers_append(headers.get(), name.c_str(), value.c_str());
        if (g_ascii_strcasecmp(name.c_str(), "Content-Type") == 0) {
            contentType = value; // with its charset, which decides how a page's text is read
        }
    }
    Respond(Request, content.Get(), status, reason, contentType, std::move(headers));
}

void TBrowser::HandleFileRequest(WebKitURISchemeRequest* Request) {
    const ComPtr<TBrowser> keep(this);
    const std::string uri = MapToHostUri(StripFragment(webkit_uri_scheme_request_get_uri(Request)));
    bool wanted = false;
    for (const TFilter& filter : FFilters) {
        // WebKit does not say what kind of resource a request is for, so a filter for one
        // kind catches every request of its pattern: nothing the host asked for is missed.
        wanted = wanted || MatchesUriFilter(filter.Pattern, uri);
    }
    if (Alive() && wanted && !FWebResourceRequested.Empty()) {
        auto request = MakeCom<TWebResourceRequest>();
        request->Uri = uri;
        if (const char* method = webkit_uri_scheme_request_get_http_method(Request)) {
            request->Method = method;
        }
        if (SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(Request)) {
            SoupMessageHeadersIter iter;
            soup_message_headers_iter_init(&iter, headers);
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
            FinishWithResponse(Request, args->Response.Get());
            return;
        }
        ServeFromDisk(Request, true);
        return;
    }
    ServeFromDisk(Request, false);
}

} // namespace WebView2::WebKitGtk
