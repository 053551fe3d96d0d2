#pragma once

#include <exception>
#include <functional>

namespace Platform {

// The GUI thread is the one thread that runs the event loop; everything that touches a window
// or the browser engine runs there.

// Records the calling thread as the GUI thread. Called once at start, before any window.
void RecordGuiThread();
bool IsGuiThread();

// Runs Proc at once when called on the GUI thread; from any other thread, queues it for the
// GUI thread's event loop (in order, without waiting for it).
void RunOnGuiThread(std::function<void()> Proc);
// Always queues Proc for the GUI thread's event loop, also when called there: for work that
// must not run inside the caller's own call.
void QueueOnGuiThread(std::function<void()> Proc);

// An exception that escapes a queued procedure goes to this handler (by default it is
// reported on standard error); the application sets one that shows its error box.
void SetGuiExceptionHandler(std::function<void(std::exception_ptr)> Handler);

} // namespace Platform
