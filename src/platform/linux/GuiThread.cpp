#include "platform/GuiThread.h"

#include "base/glib/GuiPost.h"

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
    Base::GLib::PostToGuiThread([Proc = std::move(Proc)] {
        try {
            Proc();
        } catch (...) {
            HandleQueuedException(std::current_exception());
        }
    });
}

void SetGuiExceptionHandler(std::function<void(std::exception_ptr)> Handler) {
    std::lock_guard<std::mutex> guard(HandlerLock());
    ExceptionHandler() = std::move(Handler);
}

} // namespace Platform
