// shell.command through the bridge module: commands run one after another in the order they
// arrived while other calls are answered, their output is bounded, and a module that goes away
// ends the running command and drops the waiting ones.
#include "platform/GuiThread.h"
#include "shared/bridge/BrowserExternalModule.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class BridgeShell : public ::testing::Test {
protected:
    void SetUp() override {
        Platform::RecordGuiThread();
        std::string tmpl = (fs::temp_directory_path() / "vtr-bridge-shell-XXXXXX").string();
        FDir = mkdtemp(tmpl.data());
        FModule = std::make_unique<Shared::TBrowserExternalModule>();
        FModule->OnPostReply = [this](const std::string& reply) { FReplies.push_back(json::parse(reply)); };
    }
    void TearDown() override {
        FModule.reset();
        fs::remove_all(FDir);
    }

    void Send(int id, json data, const std::string& uuid) {
        FModule->HandleWebMessage("", json{{"id", id}, {"uuid", uuid}, {"data", std::move(data)}}.dump());
    }
    void Command(const std::string& command, const std::string& uuid) {
        Send(70003, {{"command", command}}, uuid);
    }
    // Runs the event loop until Done or a generous limit.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(5000);
        }
        return done();
    }
    std::string P(const std::string& name) const { return (FDir / name).string(); }

    fs::path FDir;
    std::unique_ptr<Shared::TBrowserExternalModule> FModule;
    std::vector<json> FReplies;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

pid_t ReadPid(const fs::path& path) {
    std::ifstream in(path);
    pid_t pid = 0;
    in >> pid;
    return pid;
}

// The process's peak resident memory in KiB.
long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

} // namespace

TEST_F(BridgeShell, CommandsRunInArrivalOrderWhileOtherCallsAreAnswered) {
    const std::string f = P("order.txt");
    Command("sleep 0.5; echo first >> " + f, "slow");
    Command("echo second >> " + f, "quick");
    Send(10001, json::object(), "hello");
    // Answered at once, while the commands wait their turn.
    ASSERT_EQ(FReplies.size(), 1u);
    EXPECT_EQ(FReplies[0]["uuid"], "hello");
    ASSERT_TRUE(PumpUntil([&] { return FReplies.size() == 3; }));
    EXPECT_EQ(FReplies[1]["uuid"], "slow");
    EXPECT_EQ(FReplies[2]["uuid"], "quick");
    EXPECT_EQ(ReadFile(f), "first\nsecond\n");
}

TEST_F(BridgeShell, EndlessOutputFailsClearlyAndEndsTheCommandWithItsJobs) {
    const long before = PeakMemoryKiB();
    Command("sleep 1000 & echo $! > " + P("bg.pid") + "; yes", "yes");
    Command("echo after", "after");
    ASSERT_TRUE(PumpUntil([&] { return FReplies.size() == 2; }));
    EXPECT_EQ(FReplies[0]["uuid"], "yes");
    EXPECT_EQ(FReplies[0]["success"], false);
    EXPECT_EQ(FReplies[0]["result"], "The command was ended: its output exceeds 16 MiB");
    EXPECT_EQ(FReplies[1]["result"], "after\n");
    const pid_t sleeper = ReadPid(FDir / "bg.pid");
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(PumpUntil([&] { return !Running(sleeper); }));
    // A bounded output, a bounded process: a few copies of 16 MiB at most.
    EXPECT_LT(PeakMemoryKiB() - before, 256 * 1024);
}

TEST_F(BridgeShell, ModuleGoingAwayEndsTheRunningCommandAndDropsTheWaitingOnes) {
    Command("sleep 1000 & echo $! > " + P("bg.pid") + "; wait", "endless");
    Command("touch " + P("queued.ran"), "queued");
    ASSERT_TRUE(PumpUntil([&] { return ReadPid(FDir / "bg.pid") > 0; }));
    FModule.reset(); // returns although the command would never end
    EXPECT_TRUE(PumpUntil([&] { return !Running(ReadPid(FDir / "bg.pid")); }));
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_TRUE(FReplies.empty());
    EXPECT_FALSE(fs::exists(P("queued.ran")));
}
