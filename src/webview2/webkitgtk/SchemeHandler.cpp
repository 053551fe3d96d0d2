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

struct TGFree {
    void operator()(void* p) const { g_free(p); }
};
using TGString = std::unique_ptr<char, TGFree>;

struct TErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using TGError = std::unique_ptr<GError, TErrorFree>;

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

void ServeFromDisk(WebKitURISchemeRequest* Request) {
    std::string uri = MapToHostUri(StripFragment(webkit_uri_scheme_request_get_uri(Request)));
    if (const std::size_t query = uri.find('?'); query != std::string::npos) {
        uri.resize(query);
    }
    const TGString path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    if (path == nullptr) {
        Fail(Request, G_IO_ERROR, G_IO_ERROR_INVALID_FILENAME, "Not a file URL: " + uri);
        return;
    }
    GFile* file = g_file_new_for_path(path.get());
    GError* raw = nullptr;
    GFileInputStream* stream = g_file_read(file, nullptr, &raw);
    g_object_unref(file);
    if (stream == nullptr) {
        const TGError error(raw);
        webkit_uri_scheme_request_finish_error(Request, error.get());
        return;
    }
    gint64 size = -1;
    if (GFileInfo* info =
            g_file_input_stream_query_info(stream, G_FILE_ATTRIBUTE_STANDARD_SIZE, nullptr, nullptr)) {
        if (g_file_info_get_file_type(info) == G_FILE_TYPE_DIRECTORY) {
            g_object_unref(info);
            g_object_unref(stream);
            Fail(Request, G_IO_ERROR, G_IO_ERROR_IS_DIRECTORY, "Is a folder: " + uri);
            return;
        }
        size = g_file_info_get_size(info);
        g_object_unref(info);
    }
    gboolean uncertain = FALSE;
    const TGString type(g_content_type_guess(path.get(), nullptr, 0, &uncertain));
    const TGString mime(type != nullptr ? g_content_type_get_mime_type(type.get()) : nullptr);
    const char* contentType = mime != nullptr ? mime.get() : "application/octet-stream";
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(G_INPUT_STREAM(stream), size);
    webkit_uri_scheme_response_set_status(response, 200, "OK");
    webkit_uri_scheme_response_set_content_type(response, contentType);
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_replace(headers, "Content-Type", contentType);
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(Request, response);
    g_object_unref(response);
    g_object_unref(stream);
}

void FinishWithResponse(WebKitURISchemeRequest* Request, ICoreWebView2WebResourceResponse* Response) {
    ComPtr<IStream> content;
    Response->get_Content(content.ReleaseAndGetAddressOf());
    std::string body;
    if (content) {
        if (Failed(ReadToEnd(content.Get(), body))) {
            Fail(Request, G_IO_ERROR, G_IO_ERROR_FAILED, "The response content could not be read");
            return;
        }
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
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
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
        soup_message_headers_append(headers, name.c_str(), value.c_str());
        if (g_ascii_strcasecmp(name.c_str(), "Content-Type") == 0) {
            contentType = value; // with its charset, which decides how a page's text is read
        }
    }

    const gsize length = body.size();
    // The bytes stay in their string, which the GBytes owns from here on.
    auto owned = std::make_unique<std::string>(std::move(body));
    const void* data = owned->data();
    GBytes* bytes = g_bytes_new_with_free_func(
        data, length, [](gpointer p) { std::unique_ptr<std::string>(static_cast<std::string*>(p)); },
        owned.release());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    g_bytes_unref(bytes);
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, static_cast<gint64>(length));
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(status),
                                          reason.empty() ? nullptr : reason.c_str());
    if (!contentType.empty()) {
        webkit_uri_scheme_response_set_content_type(response, contentType.c_str());
    }
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(Request, response);
    g_object_unref(response);
    g_object_unref(stream);
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
        auto args = MakeCom<TWebResourceRequestedArgs>();
        args->Request = request;
        FWebResourceRequested.Raise(Core(), args.Get());
        if (args->Response) {
            FinishWithResponse(Request, args->Response.Get());
            return;
        }
    }
    ServeFromDisk(Request);
}

} // namespace WebView2::WebKitGtk
