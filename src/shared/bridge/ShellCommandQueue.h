#pragma once

// The console commands of the bridge: they run one after another, in the order they were
// added, on one worker thread, so that the window keeps painting and answering meanwhile.

#include "platform/Process.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Shared {

class TShellCommandQueue {
public:
    // Output kept of one command; a command that writes more is ended.
    static constexpr std::size_t MaxOutput = 16 * 1024 * 1024;

    struct TCommand {
        std::string CommandLine;
        std::string WorkingDir;
        bool ShowWindow = false;
    };
    // Called on the GUI thread once the command has ended.
    using TDone = std::function<void(const Platform::TCapturedOutput& Result)>;

    TShellCommandQueue() = default;
    // Drops the commands still waiting, ends the running one with everything it started and
    // waits for the worker. No TDone is called from then on.
    ~TShellCommandQueue();
    TShellCommandQueue(const TShellCommandQueue&) = delete;
    TShellCommandQueue& operator=(const TShellCommandQueue&) = delete;

    // Called on the GUI thread.
    void Add(TCommand Command, TDone Done);

private:
    struct TJob {
        TCommand Command;
        TDone Done;
        std::weak_ptr<bool> Alive;
    };
    void Work();
    Platform::TCapturedOutput Run(const TCommand& Command);

    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<TJob> FJobs;
    bool FStopping = false;
    Platform::TOutputCapture FCapture;
    // Replies queued for the GUI thread look here first: once the queue is gone they are dropped.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    std::thread FWorker; // started with the first command
};

} // namespace Shared
