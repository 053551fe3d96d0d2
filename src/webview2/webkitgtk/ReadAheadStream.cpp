#include "webview2/webkitgtk/ReadAheadStream.h"

#include "base/glib/GLibPtr.h"
#include "webview2/Com.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <vector>

namespace {

using Base::GLib::TGObjectPtr;
using WebView2::WebKitGtk::ReadAheadLimit;

// What the worker reads at a time: few turns of its loop, little memory per turn.
constexpr std::size_t Piece = 64 * 1024;

// Below the window's redraw (GTK paints at G_PRIORITY_HIGH_IDLE + 20), above idle work: a long
// answer flows whenever the window has nothing to paint, and never keeps it from painting.
constexpr int AnswerPriority = G_PRIORITY_HIGH_IDLE + 30;

// What a read gets: bytes (> 0), the end (0), a failure, or nothing yet.
constexpr gssize ReadFailed = -1;
constexpr gssize NothingYet = -2;

struct TState {
    std::mutex Lock;
    std::condition_variable Changed;
    WebView2::ComPtr<WebView2::IStream> Source; // read only by the thread that set Reading
    std::deque<std::vector<std::uint8_t>> Chunks;
    std::size_t Offset = 0; // bytes of Chunks.front() already given
    std::size_t Queued = 0;
    bool Reading = false;
    bool Ended = false;
    bool Failed = false;
    bool Closed = false;
    // The asynchronous read waiting for bytes (GIO allows one pending operation per stream).
    TGObjectPtr<GTask> Waiting;
    void* Buffer = nullptr;
    gsize Count = 0;
};

// With the lock held.
gssize Take(TState& State, void* Buffer, gsize Count) {
    auto* target = static_cast<std::uint8_t*>(Buffer);
    gsize given = 0;
    while (given < Count && !State.Chunks.empty()) {
        std::vector<std::uint8_t>& front = State.Chunks.front();
        const std::size_t n = std::min<std::size_t>(Count - given, front.size() - State.Offset);
        std::copy_n(front.data() + State.Offset, n, target + given);
        given += n;
        State.Offset += n;
        State.Queued -= n;
        if (State.Offset == front.size()) {
            State.Chunks.pop_front();
            State.Offset = 0;
        }
    }
    if (given > 0) {
        return static_cast<gssize>(given);
    }
    if (State.Failed) {
        return ReadFailed;
    }
    return State.Ended ? 0 : NothingYet;
}

// With the lock held: whether the caller is now the one to start the worker.
bool ClaimWorker(TState& State) {
    if (State.Reading || State.Ended || State.Failed || State.Closed || State.Queued > ReadAheadLimit / 2) {
        return false;
    }
    State.Reading = true;
    return true;
}

void Return(GTask* Task, gssize Result) {
    if (Result == ReadFailed) {
        g_task_return_new_error(Task, G_IO_ERROR, G_IO_ERROR_FAILED,
                                "The answer's content could not be read");
    } else {
        g_task_return_int(Task, Result);
    }
}

struct VtrReadAheadStream {
    GInputStream Parent;
    TState State; // constructed in init, destroyed in finalize
};

struct VtrReadAheadStreamClass {
    GInputStreamClass ParentClass;
};

G_DEFINE_TYPE(VtrReadAheadStream, vtr_read_ahead_stream, G_TYPE_INPUT_STREAM)

TState& StateOf(gpointer Object) {
    return reinterpret_cast<VtrReadAheadStream*>(Object)->State;
}

// The task holds the stream: it cannot be finalized while its worker reads.
void Work(GTask* Task, gpointer Object, gpointer, GCancellable*) {
    TState& state = StateOf(Object);
    for (;;) {
        std::vector<std::uint8_t> piece(Piece);
        WebView2::UINT32 got = 0;
        const bool read = WebView2::Succeeded(
            state.Source->Read(piece.data(), static_cast<WebView2::UINT32>(piece.size()), &got));
        TGObjectPtr<GTask> answered;
        gssize result = NothingYet;
        bool more = false;
        {
            const std::lock_guard<std::mutex> guard(state.Lock);
            if (!read) {
                state.Failed = true;
            } else if (got == 0) {
                state.Ended = true;
            } else if (!state.Closed) {
                piece.resize(got);
                state.Queued += got;
                state.Chunks.push_back(std::move(piece));
            }
            if (state.Waiting) {
                result = Take(state, state.Buffer, state.Count);
                if (result != NothingYet) {
                    answered = std::move(state.Waiting);
                }
            }
            more = !state.Closed && !state.Ended && !state.Failed && state.Queued < ReadAheadLimit;
            state.Reading = more;
        }
        state.Changed.notify_all();
        if (answered) {
            Return(answered.Get(), result); // on the task's own thread, at its priority
        }
        if (!more) {
            break;
        }
    }
    g_task_return_boolean(Task, TRUE);
}

void StartWorker(GInputStream* Object) {
    const auto task = TGObjectPtr<GTask>::Adopt(g_task_new(Object, nullptr, nullptr, nullptr));
    g_task_run_in_thread(task.Get(), Work);
}

void ReadAsync(GInputStream* Object, void* Buffer, gsize Count, int, GCancellable* Cancellable,
               GAsyncReadyCallback Callback, gpointer Data) {
    const auto task = TGObjectPtr<GTask>::Adopt(g_task_new(Object, Cancellable, Callback, Data));
    g_task_set_priority(task.Get(), AnswerPriority);
    TState& state = StateOf(Object);
    gssize result = NothingYet;
    bool start = false;
    {
        const std::lock_guard<std::mutex> guard(state.Lock);
        result = Take(state, Buffer, Count);
        if (result == NothingYet) {
            state.Waiting = task;
            state.Buffer = Buffer;
            state.Count = Count;
        }
        start = ClaimWorker(state);
    }
    if (start) {
        StartWorker(Object);
    }
    if (result != NothingYet) {
        Return(task.Get(), result);
    }
}

gssize ReadFinish(GInputStream*, GAsyncResult* Result, GError** Error) {
    return g_task_propagate_int(G_TASK(Result), Error);
}

gssize ReadBlocking(GInputStream* Object, void* Buffer, gsize Count, GCancellable* Cancellable,
                    GError** Error) {
    if (g_cancellable_set_error_if_cancelled(Cancellable, Error)) {
        return -1;
    }
    TState& state = StateOf(Object);
    std::unique_lock<std::mutex> lock(state.Lock);
    for (;;) {
        const gssize result = Take(state, Buffer, Count);
        const bool start = ClaimWorker(state);
        if (start) {
            lock.unlock();
            StartWorker(Object);
            lock.lock();
        }
        if (result == ReadFailed) {
            g_set_error_literal(Error, G_IO_ERROR, G_IO_ERROR_FAILED,
                                "The answer's content could not be read");
            return -1;
        }
        if (result != NothingYet) {
            return result;
        }
        if (!start) {
            state.Changed.wait(lock);
        }
    }
}

// The worker stops after the piece it is reading; the bytes read ahead go at once.
void Stop(TState& State) {
    const std::lock_guard<std::mutex> guard(State.Lock);
    State.Closed = true;
    State.Chunks.clear();
    State.Queued = 0;
}

gboolean CloseStream(GInputStream* Object, GCancellable*, GError**) {
    Stop(StateOf(Object));
    return TRUE;
}

void Finalize(GObject* Object) {
    TState& state = StateOf(Object);
    Stop(state);
    state.~TState();
    G_OBJECT_CLASS(vtr_read_ahead_stream_parent_class)->finalize(Object);
}

void vtr_read_ahead_stream_class_init(VtrReadAheadStreamClass* Class) {
    G_OBJECT_CLASS(Class)->finalize = Finalize;
    Class->ParentClass.read_fn = ReadBlocking;
    Class->ParentClass.read_async = ReadAsync;
    Class->ParentClass.read_finish = ReadFinish;
    Class->ParentClass.close_fn = CloseStream;
}

void vtr_read_ahead_stream_init(VtrReadAheadStream* Self) {
    new (&Self->State) TState();
}

} // namespace

namespace WebView2::WebKitGtk {

GInputStream* NewReadAheadStream(IStream* Stream) {
    auto* self =
        reinterpret_cast<VtrReadAheadStream*>(g_object_new(vtr_read_ahead_stream_get_type(), nullptr));
    self->State.Source = Stream;
    if (Stream == nullptr) {
        self->State.Ended = true;
    }
    return G_INPUT_STREAM(self);
}

} // namespace WebView2::WebKitGtk
