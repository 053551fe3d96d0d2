#include "shared/bridge/ShellCommandQueue.h"

#include "platform/GuiThread.h"
#include "shared/system/SysUtils.h"

#include <system_error>
#include <utility>

namespace Shared {

TShellCommandQueue::~TShellCommandQueue() {
    FAlive.reset();
    {
        std::lock_guard<std::mutex> guard(FLock);
        FStopping = true;
        FJobs.clear();
    }
    FCapture.Cancel();
    FWake.notify_all();
    if (FWorker.joinable()) {
        FWorker.join();
    }
}

void TShellCommandQueue::Add(TCommand Command, TDone Done) {
    if (!FWorker.joinable()) {
        try {
            FWorker = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            // No thread to spare: nothing is queued either, so running it here keeps the order;
            // the window waits.
            Done(Run(Command));
            return;
        }
    }
    {
        std::lock_guard<std::mutex> guard(FLock);
        FJobs.push_back({std::move(Command), std::move(Done), FAlive});
    }
    FWake.notify_one();
}

Platform::TCapturedOutput TShellCommandQueue::Run(const TCommand& Command) {
    return TSysUtils::GetDosOutput(Command.CommandLine, Command.WorkingDir, Command.ShowWindow, MaxOutput,
                                   FCapture);
}

void TShellCommandQueue::Work() {
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FStopping || !FJobs.empty(); });
        if (FStopping) {
            return;
        }
        TJob job = std::move(FJobs.front());
        FJobs.pop_front();
        lock.unlock();
        Platform::TCapturedOutput result = Run(job.Command);
        if (result.End != Platform::TCaptureEnd::Cancelled) {
            // Replies reach the GUI thread in the order the commands ended, which is the order
            // they were added.
            Platform::QueueOnGuiThread(
                [alive = std::move(job.Alive), done = std::move(job.Done), result = std::move(result)] {
                    if (alive.lock()) {
                        done(result);
                    }
                });
        }
        lock.lock();
    }
}

} // namespace Shared
