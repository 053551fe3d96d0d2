// Starting files and capturing command output, as shell.execute and shell.command rely on them:
// only programs are started, and a captured command is bounded and can be ended with all it
// started.
#include "platform/Process.h"
#include "shared/system/SysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using Platform::TCaptureEnd;
using Platform::TProgramStart;

namespace {

class ShellProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vtr-shell-XXXXXX").string();
        FDir = mkdtemp(tmpl.data());
    }
    void TearDown() override { fs::remove_all(FDir); }

    fs::path FDir;
};

void WriteFile(const fs::path& path, const std::string& text, bool executable) {
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return done();
}

// A process that is running (not ended and not a zombie waiting for its parent).
bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

pid_t ReadPid(const fs::path& path) {
    std::ifstream in(path);
    pid_t pid = 0;
    in >> pid;
    return pid;
}

} // namespace

TEST_F(ShellProcess, OnlyExecutableProgramsAreStartedNeverDocuments) {
    // Each file, run as a program or as shell lines, would create its marker.
    const auto marker = [this](const std::string& name) { return (FDir / (name + ".ran")).string(); };
    fs::copy_file("/usr/bin/touch", FDir / "program");
    WriteFile(FDir / "script", "#!/bin/sh\ntouch \"$1\"\n", true);
    WriteFile(FDir / "notes.txt", "touch " + marker("text") + "\n", true);
    WriteFile(FDir / "paper.pdf", "%PDF-1.4\ntouch " + marker("pdf") + "\n%%EOF\n", true);
    WriteFile(FDir / "plain.txt", "touch " + marker("plain") + "\n", false);
    WriteFile(FDir / "empty", "", true);
    fs::create_directory(FDir / "folder");
    struct TCase {
        const char* File;
        TProgramStart Expected;
    };
    const TCase cases[] = {
        {"program", TProgramStart::Started},       {"script", TProgramStart::Started},
        {"notes.txt", TProgramStart::NotAProgram}, {"paper.pdf", TProgramStart::NotAProgram},
        {"plain.txt", TProgramStart::NotAProgram}, {"empty", TProgramStart::NotAProgram},
        {"folder", TProgramStart::NotAProgram},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Platform::StartProgramFile((FDir / c.File).string(), {marker(c.File)}), c.Expected)
            << c.File;
    }
    EXPECT_TRUE(WaitFor([&] { return fs::exists(marker("program")) && fs::exists(marker("script")); }));
    for (const char* name : {"text", "pdf", "plain", "notes.txt", "paper.pdf", "plain.txt", "empty"}) {
        EXPECT_FALSE(fs::exists(marker(name))) << name;
    }

    // A program whose exec fails is reported, not opened some other way.
    WriteFile(FDir / "broken", "#!/no/such/interpreter\n", true);
    EXPECT_EQ(Platform::StartProgramFile((FDir / "broken").string(), {}), TProgramStart::Failed);
    EXPECT_EQ(Shared::TSysUtils::LastErrorMessage(), "No such file or directory");
    EXPECT_EQ(Platform::StartProgramFile((FDir / "missing").string(), {}), TProgramStart::Failed);
}

TEST_F(ShellProcess, OutputBeyondTheBoundEndsTheCommandAndItsGroup) {
    Platform::TOutputCapture capture;
    const std::string bg = (FDir / "bg.pid").string();
    const auto result = capture.Run({"/bin/sh", "-c", "sleep 1000 & echo $! > " + bg + "; yes"}, "", 1 << 20);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->End, TCaptureEnd::OutputTooLong);
    EXPECT_LE(result->Output.size(), 1u << 20);
    const pid_t sleeper = ReadPid(bg);
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(WaitFor([&] { return !Running(sleeper); })) << "the command's background job still runs";

    // Exactly at the bound is still whole.
    const auto exact = capture.Run({"/bin/sh", "-c", "head -c 1000 /dev/zero"}, "", 1000);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->End, TCaptureEnd::Exited);
    EXPECT_EQ(exact->Output, std::string(1000, '\0'));
}

TEST_F(ShellProcess, CancellingEndsTheRunningCommandAndEveryLaterOne) {
    Platform::TOutputCapture capture;
    const std::string bg = (FDir / "bg.pid").string();
    std::optional<Platform::TCapturedOutput> result;
    std::thread worker([&] {
        result = capture.Run({"/bin/sh", "-c", "sleep 1000 & echo $! > " + bg + "; wait"}, "", 1 << 20);
    });
    ASSERT_TRUE(WaitFor([&] { return ReadPid(bg) > 0; }));
    capture.Cancel();
    worker.join();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->End, TCaptureEnd::Cancelled);
    EXPECT_TRUE(WaitFor([&] { return !Running(ReadPid(bg)); }));

    const fs::path later = FDir / "later";
    const auto after = capture.Run({"/bin/sh", "-c", "touch " + later.string()}, "", 1 << 20);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->End, TCaptureEnd::Cancelled);
    EXPECT_FALSE(fs::exists(later));
}
