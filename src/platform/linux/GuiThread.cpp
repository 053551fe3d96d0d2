#include "platform/GuiThread.h"

#include <glib.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace Platform {

namespace {

std::atomic<std::thread::id> GuiThreadId{};

std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}

std::function<void(std::exception_ptr)>& ExceptionHandler() {
    static std::function<void(std::exception_ptr)> handler;
    return handler;
}

void ReportToStandardError(std::exception_ptr Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vtr: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "vtr: unknown error\n");
    }
}

void HandleQueuedException(std::exception_ptr Error) {
    std::function<void(std::exception_ptr)> handler;
    {
        std::lock_guard<std::mutex> guard(HandlerLock());
        handler = ExceptionHandler();
    }
    try {
        if (handler) {
            handler(Error);
        } else {
            ReportToStandardError(Error);
        }
    } catch (...) {
        ReportToStandardError(std::current_exception());
    }
}

gboolean RunQueued(gpointer Data) {
    const std::unique_ptr<std::function<void()>> proc(static_cast<std::function<void()>*>(Data));
    try {
        (*proc)();
    } catch (...) {
        HandleQueuedException(std::current_exception());
    }
    return G_SOURCE_REMOVE;
}

} // namespace

void RecordGuiThread() {
    GuiThreadId.store(std::this_thread::get_id());
}

bool IsGuiThread() {
    return GuiThreadId.load() == std::this_thread::get_id();
}

void RunOnGuiThread(std::function<void()> Proc) {
    if (IsGuiThread()) {
        Proc();
    } else {
        QueueOnGuiThread(std::move(Proc));
    }
}

void QueueOnGuiThread(std::function<void()> Proc) {
    // g_idle_add, never g_main_context_invoke: while no loop owns the default context yet,
    // the latter would run the procedure on the calling worker thread.
    auto owned = std::make_unique<std::function<void()>>(std::move(Proc));
    g_idle_add(RunQueued, owned.release());
}

void SetGuiExceptionHandler(std::function<void(std::exception_ptr)> Handler) {
    std::lock_guard<std::mutex> guard(HandlerLock());
    ExceptionHandler() = std::move(Handler);
}

} // namespace Platform
