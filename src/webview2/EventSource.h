#pragma once

// The handlers of one event of an engine object, with the tokens that identify them.

#include "webview2/Com.h"

#include <atomic>
#include <vector>

namespace WebView2 {

// Tokens are unique across every event of the process, so a token given to the wrong
// remove_ call never removes another event's handler.
inline INT64 NextEventToken() {
    static std::atomic<INT64> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

template <class THandler>
class TEventSource {
public:
    HRESULT Add(THandler* Handler, EventRegistrationToken* Token) {
        if (Handler == nullptr || Token == nullptr) {
            return E_POINTER;
        }
        Token->value = NextEventToken();
        FHandlers.push_back({Token->value, ComPtr<THandler>(Handler)});
        return S_OK;
    }

    // Removing an unknown token does nothing, as removing twice must be harmless.
    HRESULT Remove(EventRegistrationToken Token) {
        std::erase_if(FHandlers, [&](const TEntry& e) { return e.Token == Token.value; });
        return S_OK;
    }

    bool Empty() const { return FHandlers.empty(); }
    std::size_t Count() const { return FHandlers.size(); }
    void Clear() { FHandlers.clear(); }

    // Calls every handler in the order they were added. A handler may add or remove
    // handlers meanwhile: the call goes to the ones present when raising began.
    template <class... TArgs>
    void Raise(TArgs... Args) {
        const std::vector<TEntry> handlers = FHandlers;
        for (const TEntry& entry : handlers) {
            try {
                entry.Handler->Invoke(Args...);
            } catch (...) {
                ReportBoundaryException(THandler::Iid);
            }
        }
    }

private:
    struct TEntry {
        INT64 Token;
        ComPtr<THandler> Handler;
    };
    std::vector<TEntry> FHandlers;
};

} // namespace WebView2
