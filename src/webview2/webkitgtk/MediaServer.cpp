#include "webview2/webkitgtk/MediaServer.h"

#include "webview2/webkitgtk/ComInputStream.h"
#include "webview2/webkitgtk/Engine.h"

#include "base/glib/Signals.h"
#include "webview2/Streams.h"

#include <sys/random.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string_view>

namespace WebView2::WebKitGtk {

namespace {

using Base::GLib::ConnectSignal;

// What one read hands to the connection: large enough for few turns of the loop, small enough
// that a long film never sits in memory.
constexpr gsize ChunkSize = 64 * 1024;

struct TMediaServer {
    TGObjectPtr<SoupServer> Server;
    std::string Token;
    std::string Host; // the Host header every request must carry: "127.0.0.1:PORT"
    std::string Base;
    std::map<guint64, TBrowser*> Pages;
};

TMediaServer& Instance() {
    static TMediaServer server;
    return server;
}

// 128 bits from the kernel's random source; empty when it cannot give them.
std::string NewToken() {
    unsigned char bytes[16];
    std::size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got <= 0) {
            return {};
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char Hex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char byte : bytes) {
        token += Hex[byte >> 4];
        token += Hex[byte & 15];
    }
    return token;
}

// Compares in a time that does not depend on where the texts differ.
bool SameSecret(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < A.size(); ++i) {
        difference |= static_cast<unsigned char>(A[i] ^ B[i]);
    }
    return difference == 0;
}

// Sends an answer's content a chunk at a time: the next chunk is read (on a worker thread, as
// the file scheme reads) once the last one is written, so a connection never holds more than one.
class TBodyPump : public std::enable_shared_from_this<TBodyPump> {
public:
    TBodyPump(SoupServerMessage* Message, IStream* Content, UINT64 Length)
        : FMessage(Message), FStream(TGObjectPtr<GInputStream>::Adopt(NewComInputStream(Content))),
          FRemaining(Length), FCancel(TGObjectPtr<GCancellable>::Adopt(g_cancellable_new())) {}

    void Start() {
        auto self = shared_from_this();
        // The message lives until "finished"; the handlers go with it.
        ConnectSignal<void(SoupServerMessage*)>(FMessage, "wrote-chunk",
                                                [self](SoupServerMessage*) { self->ReadNext(); });
        ConnectSignal<void(SoupServerMessage*)>(FMessage, "finished", [self](SoupServerMessage*) {
            self->FFinished = true;
            g_cancellable_cancel(self->FCancel.Get());
        });
        // Written chunks are dropped, not kept for the whole answer.
        soup_message_body_set_accumulate(soup_server_message_get_response_body(FMessage), FALSE);
        soup_server_message_pause(FMessage);
        ReadNext();
    }

private:
    void ReadNext() {
        if (FFinished || FReading) {
            return;
        }
        if (FRemaining == 0) {
            soup_message_body_complete(soup_server_message_get_response_body(FMessage));
            return;
        }
        FReading = true;
        soup_server_message_pause(FMessage);
        const gsize count = FRemaining < ChunkSize ? static_cast<gsize>(FRemaining) : ChunkSize;
        g_input_stream_read_bytes_async(FStream.Get(), count, G_PRIORITY_DEFAULT, FCancel.Get(),
                                        &TBodyPump::Read, new std::shared_ptr<TBodyPump>(shared_from_this()));
    }

    static void Read(GObject* Stream, GAsyncResult* Result, gpointer Data) {
        const std::unique_ptr<std::shared_ptr<TBodyPump>> holder(
            static_cast<std::shared_ptr<TBodyPump>*>(Data));
        TBodyPump& self = **holder;
        self.FReading = false;
        TGErrorOut error;
        const Base::GLib::TGBytes bytes(
            g_input_stream_read_bytes_finish(G_INPUT_STREAM(Stream), Result, error.Out()));
        if (self.FFinished) {
            return; // the client went away meanwhile
        }
        SoupMessageBody* body = soup_server_message_get_response_body(self.FMessage);
        const gsize size = bytes ? g_bytes_get_size(bytes.get()) : 0;
        if (size == 0) {
            // The content ended early or could not be read: the connection is closed short of its
            // length, which the player sees as a failed load, never as the whole file.
            self.FRemaining = 0;
            soup_message_body_complete(body);
        } else {
            self.FRemaining -= size < self.FRemaining ? size : self.FRemaining;
            soup_message_body_append_bytes(body, bytes.get());
        }
        soup_server_message_unpause(self.FMessage);
    }

    SoupServerMessage* FMessage; // valid until "finished"
    TGObjectPtr<GInputStream> FStream;
    UINT64 FRemaining;
    TGObjectPtr<GCancellable> FCancel;
    bool FFinished = false;
    bool FReading = false;
};

void Refuse(SoupServerMessage* Message, guint Status) {
    soup_server_message_set_status(Message, Status, nullptr);
    soup_server_message_set_response(Message, "text/plain", SOUP_MEMORY_STATIC, "", 0);
}

// The browser and the file:/// URI an address names: "/TOKEN/PAGE/path".
TBrowser* Route(const TMediaServer& Server, std::string_view Path, const char* Query, std::string& HostUri) {
    if (Path.size() < Server.Token.size() + 2 || Path[0] != '/' ||
        !SameSecret(Path.substr(1, Server.Token.size()), Server.Token) ||
        Path[Server.Token.size() + 1] != '/') {
        return nullptr;
    }
    Path.remove_prefix(Server.Token.size() + 2);
    guint64 page = 0;
    const auto [end, error] = std::from_chars(Path.data(), Path.data() + Path.size(), page);
    if (error != std::errc() || end == Path.data() || end == Path.data() + Path.size() || *end != '/') {
        return nullptr;
    }
    const auto found = Server.Pages.find(page);
    if (found == Server.Pages.end()) {
        return nullptr;
    }
    HostUri = "file://" + std::string(end, Path.data() + Path.size());
    if (Query != nullptr) {
        HostUri += "?";
        HostUri += Query;
    }
    return found->second;
}

void Answer(SoupServer*, SoupServerMessage* Message, const char*, GHashTable*, gpointer) {
    TMediaServer& server = Instance();
    const char* method = soup_server_message_get_method(Message);
    const bool head = g_strcmp0(method, "HEAD") == 0;
    if (g_strcmp0(method, "GET") != 0 && !head) {
        Refuse(Message, SOUP_STATUS_METHOD_NOT_ALLOWED);
        return;
    }
    // A page that had its own name resolve to 127.0.0.1 would be of its own origin here: only
    // the server's own name is answered.
    SoupMessageHeaders* requestHeaders = soup_server_message_get_request_headers(Message);
    const char* host = soup_message_headers_get_one(requestHeaders, "Host");
    GUri* uri = soup_server_message_get_uri(Message);
    std::string hostUri;
    TBrowser* browser = host != nullptr && server.Host == host
                            ? Route(server, g_uri_get_path(uri), g_uri_get_query(uri), hostUri)
                            : nullptr;
    TFileAnswer answer;
    if (browser == nullptr || !browser->AnswerFileRequest(hostUri, method, requestHeaders, answer)) {
        Refuse(Message, SOUP_STATUS_NOT_FOUND);
        return;
    }

    soup_server_message_set_status(Message, static_cast<guint>(answer.Status),
                                   answer.Reason.empty() ? nullptr : answer.Reason.c_str());
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(Message);
    SoupMessageHeadersIter iter;
    soup_message_headers_iter_init(&iter, answer.Headers.get());
    const char* name = nullptr;
    const char* value = nullptr;
    while (soup_message_headers_iter_next(&iter, &name, &value)) {
        if (g_ascii_strcasecmp(name, "Content-Length") != 0 && g_ascii_strcasecmp(name, "Connection") != 0) {
            soup_message_headers_append(headers, name, value);
        }
    }
    // Whatever the file is, it is media to a player here: nothing of it runs, is sniffed into
    // something else, or stays in the browser's cache.
    soup_message_headers_replace(headers, "Content-Security-Policy", "sandbox");
    soup_message_headers_replace(headers, "X-Content-Type-Options", "nosniff");
    soup_message_headers_replace(headers, "Cache-Control", "no-store");
    soup_message_headers_replace(headers, "Referrer-Policy", "no-referrer");

    UINT64 length = 0;
    if (Failed(RemainingLength(answer.Content.Get(), length))) {
        length = 0;
    }
    soup_message_headers_set_content_length(headers, static_cast<goffset>(length));
    if (head || length == 0) {
        soup_message_body_complete(soup_server_message_get_response_body(Message));
        return;
    }
    std::make_shared<TBodyPump>(Message, answer.Content.Get(), length)->Start();
}

bool Listen(TMediaServer& Server) {
    Server.Token = NewToken();
    if (Server.Token.empty()) {
        return false;
    }
    Server.Server = TGObjectPtr<SoupServer>::Adopt(soup_server_new("server-header", nullptr, nullptr));
    const auto loopback = TGObjectPtr<GInetAddress>::Adopt(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
    const auto address = TGObjectPtr<GSocketAddress>::Adopt(g_inet_socket_address_new(loopback.Get(), 0));
    TGErrorOut error;
    if (!soup_server_listen(Server.Server.Get(), address.Get(), SoupServerListenOptions(0), error.Out())) {
        std::fprintf(stderr, "vtr: media cannot be served: %s\n", error.Message());
        return false;
    }
    GSList* uris = soup_server_get_uris(Server.Server.Get());
    const int port = uris != nullptr ? g_uri_get_port(static_cast<GUri*>(uris->data)) : -1;
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    if (port <= 0) {
        return false;
    }
    soup_server_add_handler(Server.Server.Get(), nullptr, &Answer, nullptr, nullptr);
    Server.Host = "127.0.0.1:" + std::to_string(port);
    Server.Base = "http://" + Server.Host + "/" + Server.Token;
    return true;
}

} // namespace

const std::string& MediaRouteBase() {
    static const bool listening = Listen(Instance());
    static const std::string none;
    return listening ? Instance().Base : none;
}

void RegisterMediaPage(guint64 PageId, TBrowser* Browser) {
    Instance().Pages[PageId] = Browser;
}

void UnregisterMediaPage(guint64 PageId) {
    Instance().Pages.erase(PageId);
}

} // namespace WebView2::WebKitGtk
