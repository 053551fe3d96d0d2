#pragma once

// GTK and WebKit signals connected through one guarded helper: a handler is a C++ callable, and
// nothing it throws ever unwinds into GTK or WebKit.

#include <glib-object.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>

namespace Base::GLib {

namespace Detail {

inline void ReportSignalException(const char* Signal) {
    try {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtr: error in a handler of %s: %s\n", Signal, e.what());
    } catch (...) {
        std::fprintf(stderr, "vtr: error in a handler of %s\n", Signal);
    }
}

template <class Signature>
struct TSignalThunk;

template <class R, class... A>
struct TSignalThunk<R(A...)> {
    struct TClosure {
        std::function<R(A...)> Handler;
        const char* Signal;
    };
    static R Call(A... Args, gpointer Data) {
        auto* closure = static_cast<TClosure*>(Data);
        try {
            return closure->Handler(Args...);
        } catch (...) {
            ReportSignalException(closure->Signal);
            if constexpr (!std::is_void_v<R>) {
                return R{};
            }
        }
    }
    static void Destroy(gpointer Data, GClosure*) {
        std::unique_ptr<TClosure>(static_cast<TClosure*>(Data)).reset();
    }
};

} // namespace Detail

// Connects Handler, a callable of Signature (the signal's own arguments, without the trailing
// user data), to Signal of Instance. Signal must outlive the connection (a literal). Returns the
// handler id; the callable is freed when the handler is disconnected or Instance finalized. A
// handler that throws is reported on standard error and returns the type's zero (FALSE: let
// others handle the event).
template <class Signature, class F>
gulong ConnectSignal(gpointer Instance, const char* Signal, F&& Handler,
                     GConnectFlags Flags = GConnectFlags(0)) {
    using TThunk = Detail::TSignalThunk<Signature>;
    auto closure = std::make_unique<typename TThunk::TClosure>(
        typename TThunk::TClosure{std::forward<F>(Handler), Signal});
    return g_signal_connect_data(Instance, Signal, G_CALLBACK(&TThunk::Call), closure.release(),
                                 &TThunk::Destroy, Flags);
}

} // namespace Base::GLib
