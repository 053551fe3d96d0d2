#include "webview2/webkitgtk/DocumentScripts.h"
#include "webview2/webkitgtk/Engine.h"
#include "webview2/webkitgtk/JsValues.h"

#include "base/glib/GuiPost.h"
#include "webview2/UriMapping.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <nlohmann/json.hpp>

// The core WebView's operations: navigation, scripts, web messages and preview capture.

namespace WebView2::WebKitGtk {

namespace {

using Base::GLib::PostToGuiThread;

const HRESULT ClosedError = HResultFromWin32(ERROR_INVALID_STATE);

// State carried through an asynchronous WebKit call: the browser stays alive until it ends.
template <class THandler>
struct TPendingCall {
    ComPtr<TBrowser> Browser;
    ComPtr<THandler> Handler;
    ComPtr<IStream> Stream;
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT Format = COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG;
};

template <class T>
std::unique_ptr<T> Adopt(gpointer Data) {
    return std::unique_ptr<T>(static_cast<T*>(Data));
}

void OnScriptEvaluated(GObject* Source, GAsyncResult* Result, gpointer Data) {
    const auto call = Adopt<TPendingCall<ICoreWebView2ExecuteScriptCompletedHandler>>(Data);
    TGErrorOut error;
    const auto value = TGObjectPtr<JSCValue>::Adopt(
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(Source), Result, error.Out()));
    std::string json = "null";
    HRESULT hr = S_OK;
    if (value) {
        json = JsJson(value.Get());
    } else if (error && !g_error_matches(error.Get(), WEBKIT_JAVASCRIPT_ERROR,
                                         WEBKIT_JAVASCRIPT_ERROR_SCRIPT_FAILED)) {
        // A script that throws answers null, as WebView2 does; a view that went away fails.
        hr = g_error_matches(error.Get(), G_IO_ERROR, G_IO_ERROR_CANCELLED) ? E_ABORT : E_FAIL;
    }
    if (call->Handler) {
        try {
            call->Handler->Invoke(hr, json.c_str());
        } catch (...) {
            ReportBoundaryException("ExecuteScript completion");
        }
    }
}

cairo_status_t WriteToStream(void* Closure, const unsigned char* Data, unsigned int Length) {
    UINT32 written = 0;
    const HRESULT hr = static_cast<IStream*>(Closure)->Write(Data, Length, &written);
    return Succeeded(hr) && written == Length ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

gboolean WritePixbufChunk(const gchar* Data, gsize Length, GError** Error, gpointer Closure) {
    UINT32 written = 0;
    const HRESULT hr = static_cast<IStream*>(Closure)->Write(Data, static_cast<UINT32>(Length), &written);
    if (Failed(hr) || written != Length) {
        g_set_error_literal(Error, G_IO_ERROR, G_IO_ERROR_FAILED, "The image stream refused the data");
        return FALSE;
    }
    return TRUE;
}

HRESULT EncodeSnapshot(cairo_surface_t* Surface, COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT Format,
                       IStream* Stream) {
    if (Format == COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG) {
        return cairo_surface_write_to_png_stream(Surface, WriteToStream, Stream) == CAIRO_STATUS_SUCCESS
                   ? S_OK
                   : E_FAIL;
    }
    const int width = cairo_image_surface_get_width(Surface);
    const int height = cairo_image_surface_get_height(Surface);
    const auto pixbuf =
        TGObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_get_from_surface(Surface, 0, 0, width, height));
    if (!pixbuf) {
        return E_FAIL;
    }
    const gboolean saved = gdk_pixbuf_save_to_callback(pixbuf.Get(), WritePixbufChunk, Stream, "jpeg",
                                                       nullptr, "quality", "90", nullptr);
    return saved ? S_OK : E_FAIL;
}

void OnSnapshotTaken(GObject* Source, GAsyncResult* Result, gpointer Data) {
    const auto call = Adopt<TPendingCall<ICoreWebView2CapturePreviewCompletedHandler>>(Data);
    TGErrorOut error;
    const TCairoSurface surface(
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(Source), Result, error.Out()));
    HRESULT hr = E_FAIL;
    if (surface) {
        hr = EncodeSnapshot(surface.get(), call->Format, call->Stream.Get());
    }
    if (call->Handler) {
        try {
            call->Handler->Invoke(hr);
        } catch (...) {
            ReportBoundaryException("CapturePreview completion");
        }
    }
}

} // namespace

void TBrowser::LoadEngineUri(const std::string& Uri) {
    HostLoad([&] { webkit_web_view_load_uri(View(), MapToEngineUri(Uri).c_str()); });
}

HRESULT TBrowser::Navigate(LPCSTR uri) {
    if (FClosed) {
        return ClosedError;
    }
    if (uri == nullptr) {
        return E_POINTER;
    }
    const std::string text(uri);
    // WebView2 refuses text that is not an absolute URL.
    if (text.find(':') == std::string::npos) {
        return E_INVALIDARG;
    }
    LoadEngineUri(text);
    return S_OK;
}

HRESULT TBrowser::NavigateToString(LPCSTR htmlContent) {
    if (FClosed) {
        return ClosedError;
    }
    if (htmlContent == nullptr) {
        return E_POINTER;
    }
    HostLoad([&] { webkit_web_view_load_html(View(), htmlContent, "about:blank"); });
    return S_OK;
}

HRESULT TBrowser::Reload() {
    if (FClosed) {
        return ClosedError;
    }
    HostLoad([&] { webkit_web_view_reload(View()); });
    return S_OK;
}

HRESULT TBrowser::Stop() {
    if (FClosed) {
        return ClosedError;
    }
    FlushWebMessages();
    webkit_web_view_stop_loading(View());
    return S_OK;
}

HRESULT TBrowser::GoBack() {
    if (FClosed) {
        return ClosedError;
    }
    HostLoad([&] { webkit_web_view_go_back(View()); });
    return S_OK;
}

HRESULT TBrowser::GoForward() {
    if (FClosed) {
        return ClosedError;
    }
    HostLoad([&] { webkit_web_view_go_forward(View()); });
    return S_OK;
}

void TBrowser::EvaluateInPage(const std::string& Script) {
    webkit_web_view_evaluate_javascript(View(), Script.c_str(), static_cast<gssize>(Script.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
}

void TBrowser::QueueWebMessage(const std::string& Json) {
    FPendingMessages += DispatchWebMessageScript(Json);
    if (FFlushQueued) {
        return;
    }
    FFlushQueued = true;
    // Runs in the next turn of the loop, after the messages that arrived together; at the
    // default priority, so that replies do not wait behind idle work.
    PostToGuiThread(
        [browser = ComPtr<TBrowser>(this)] {
            browser->FFlushQueued = false;
            browser->FlushWebMessages();
        },
        G_PRIORITY_DEFAULT);
}

void TBrowser::FlushWebMessages() {
    if (FPendingMessages.empty()) {
        return;
    }
    const std::string script = std::move(FPendingMessages);
    FPendingMessages.clear();
    if (Alive()) {
        EvaluateInPage(script);
    }
}

void TBrowser::EvaluateInEngineWorld(const std::string& Script) {
    FlushWebMessages();
    webkit_web_view_evaluate_javascript(View(), Script.c_str(), static_cast<gssize>(Script.size()),
                                        EngineWorld, nullptr, nullptr, nullptr, nullptr);
}

HRESULT TBrowser::AddScriptToExecuteOnDocumentCreated(
    LPCSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    if (FClosed) {
        return ClosedError;
    }
    if (javaScript == nullptr) {
        return E_POINTER;
    }
    TUserScript script(webkit_user_script_new(javaScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                              WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
    webkit_user_content_manager_add_script(FContent.Get(), script.get());
    const std::string id = std::to_string(FNextScriptId++);
    FScripts[id] = std::move(script);
    if (handler != nullptr) {
        // Completions arrive after the call has returned.
        PostToGuiThread(
            [done = ComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(handler), id] {
                done->Invoke(S_OK, id.c_str());
            });
    }
    return S_OK;
}

HRESULT TBrowser::RemoveScriptToExecuteOnDocumentCreated(LPCSTR id) {
    if (FClosed) {
        return ClosedError;
    }
    if (id == nullptr) {
        return E_POINTER;
    }
    const auto it = FScripts.find(id);
    if (it == FScripts.end()) {
        return S_OK;
    }
    webkit_user_content_manager_remove_script(FContent.Get(), it->second.get());
    FScripts.erase(it);
    return S_OK;
}

HRESULT TBrowser::ExecuteScript(LPCSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
    if (FClosed) {
        return ClosedError;
    }
    if (javaScript == nullptr) {
        return E_POINTER;
    }
    FlushWebMessages();
    auto call = std::make_unique<TPendingCall<ICoreWebView2ExecuteScriptCompletedHandler>>();
    call->Browser = this;
    call->Handler = handler;
    webkit_web_view_evaluate_javascript(View(), javaScript, -1, nullptr, nullptr, nullptr, OnScriptEvaluated,
                                        call.release());
    return S_OK;
}

HRESULT TBrowser::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                                 ICoreWebView2CapturePreviewCompletedHandler* handler) {
    if (FClosed) {
        return ClosedError;
    }
    if (imageStream == nullptr) {
        return E_POINTER;
    }
    if (imageFormat > COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG) {
        return E_INVALIDARG;
    }
    auto call = std::make_unique<TPendingCall<ICoreWebView2CapturePreviewCompletedHandler>>();
    call->Browser = this;
    call->Handler = handler;
    call->Stream = imageStream;
    call->Format = imageFormat;
    webkit_web_view_get_snapshot(View(), WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE,
                                 nullptr, OnSnapshotTaken, call.release());
    return S_OK;
}

HRESULT TBrowser::PostWebMessageAsJson(LPCSTR webMessageAsJson) {
    if (FClosed) {
        return ClosedError;
    }
    if (webMessageAsJson == nullptr) {
        return E_POINTER;
    }
    // The text becomes part of a script, so it must be JSON and nothing else.
    if (!nlohmann::json::accept(webMessageAsJson)) {
        return E_INVALIDARG;
    }
    if (!FSettings->WebMessageEnabled) {
        return S_OK;
    }
    QueueWebMessage(webMessageAsJson);
    return S_OK;
}

HRESULT TBrowser::PostWebMessageAsString(LPCSTR webMessageAsString) {
    if (FClosed) {
        return ClosedError;
    }
    if (webMessageAsString == nullptr) {
        return E_POINTER;
    }
    if (!FSettings->WebMessageEnabled) {
        return S_OK;
    }
    const std::string json = nlohmann::json(std::string(webMessageAsString))
                                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    QueueWebMessage(json);
    return S_OK;
}

} // namespace WebView2::WebKitGtk
