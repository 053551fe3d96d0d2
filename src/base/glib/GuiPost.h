#pragma once

// The one way work is handed to the GUI thread's event loop.

#include <glib.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>

namespace Base::GLib {

namespace Detail {

using TProc = std::function<void()>;

inline void RunGuarded(gpointer Data) {
    // Nothing thrown may unwind into the event loop.
    try {
        (*static_cast<TProc*>(Data))();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtr: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "vtr: unknown error\n");
    }
}

inline gboolean RunPosted(gpointer Data) {
    RunGuarded(Data);
    return G_SOURCE_REMOVE;
}

inline gboolean RunRepeating(gpointer Data) {
    RunGuarded(Data);
    return G_SOURCE_CONTINUE;
}

inline void FreePosted(gpointer Data) {
    std::unique_ptr<TProc>(static_cast<TProc*>(Data)).reset();
}

} // namespace Detail

// Queues Proc for the default main context (the GUI thread's loop), in order, and returns at
// once, from any thread. The callable is freed after it ran, or with its source if the loop never
// runs it. Never g_main_context_invoke: while no loop owns the context yet, that runs the call on
// the calling thread. Returns the source id (0 never).
inline guint PostToGuiThread(std::function<void()> Proc, int Priority = G_PRIORITY_DEFAULT_IDLE) {
    auto owned = std::make_unique<Detail::TProc>(std::move(Proc));
    return g_idle_add_full(Priority, Detail::RunPosted, owned.release(), Detail::FreePosted);
}

// The same, after Milliseconds.
inline guint PostToGuiThreadAfter(unsigned Milliseconds, std::function<void()> Proc) {
    auto owned = std::make_unique<Detail::TProc>(std::move(Proc));
    return g_timeout_add_full(G_PRIORITY_DEFAULT, Milliseconds, Detail::RunPosted, owned.release(),
                              Detail::FreePosted);
}

// A callable run on the GUI thread's loop every Milliseconds while the timer runs: for the few
// things that repeat (animations). Stops when it goes; its callable is freed with its source.
class TRepeatingTimer {
public:
    TRepeatingTimer() = default;
    TRepeatingTimer(const TRepeatingTimer&) = delete;
    TRepeatingTimer& operator=(const TRepeatingTimer&) = delete;
    ~TRepeatingTimer() { Stop(); }

    // Starts anew (a running timer stops first).
    void Start(unsigned Milliseconds, std::function<void()> Tick) {
        Stop();
        auto owned = std::make_unique<Detail::TProc>(std::move(Tick));
        FSource = g_timeout_add_full(G_PRIORITY_DEFAULT, Milliseconds, Detail::RunRepeating, owned.release(),
                                     Detail::FreePosted);
    }
    void Stop() {
        if (FSource != 0) {
            g_source_remove(FSource);
            FSource = 0;
        }
    }
    bool Running() const { return FSource != 0; }

private:
    guint FSource = 0;
};

} // namespace Base::GLib
