#include "webview2/webkitgtk/ReadAheadStream.h"

#include "base/glib/GLibPtr.h"
#include "webview2/Com.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

using namespace WebView2;
using Base::GLib::TGError;
using Base::GLib::TGObjectPtr;
using WebView2::WebKitGtk::ReadAheadLimit;

namespace {

// What the test sees of a source while the stream's worker reads it.
struct TProbe {
    std::atomic<std::size_t> Read{0};
    std::atomic<bool> Alive{true};
    std::atomic<int> DelayMs{0};
    std::mutex Lock;
    std::condition_variable Opened;
    bool Gated = false;
};

// Bytes that may fail part-way (the way a damaged archive entry fails: nothing of the failing
// read is given), be slow, or wait behind a gate.
class TSource final : public TImplements<IStream> {
public:
    TSource(std::string Data, std::shared_ptr<TProbe> Probe, std::size_t FailAt)
        : FData(std::move(Data)), FProbe(std::move(Probe)), FFailAt(FailAt) {}
    ~TSource() override { FProbe->Alive = false; }

    HRESULT Read(void* Buffer, UINT32 Size, UINT32* Count) override {
        {
            std::unique_lock<std::mutex> lock(FProbe->Lock);
            FProbe->Opened.wait(lock, [&] { return !FProbe->Gated; });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(FProbe->DelayMs.load()));
        const std::size_t n = std::min<std::size_t>(Size, FData.size() - FPosition);
        if (FPosition + n > FFailAt) {
            *Count = 0;
            return E_FAIL;
        }
        std::memcpy(Buffer, FData.data() + FPosition, n);
        FPosition += n;
        FProbe->Read += n;
        *Count = static_cast<UINT32>(n);
        return S_OK;
    }
    HRESULT Write(const void*, UINT32, UINT32*) override { return E_NOTIMPL; }
    HRESULT Seek(INT64, STREAM_SEEK, UINT64*) override { return E_NOTIMPL; }

private:
    std::string FData;
    std::shared_ptr<TProbe> FProbe;
    std::size_t FFailAt;
    std::size_t FPosition = 0;
};

std::string Bytes(std::size_t Size) {
    std::mt19937 random(static_cast<unsigned>(Size));
    std::string data(Size, '\0');
    for (char& c : data) {
        c = static_cast<char>(random());
    }
    return data;
}

TGObjectPtr<GInputStream> Open(const std::string& Data, const std::shared_ptr<TProbe>& Probe,
                               std::size_t FailAt = std::string::npos) {
    const ComPtr<IStream> source = MakeCom<TSource>(Data, Probe, FailAt);
    return TGObjectPtr<GInputStream>::Adopt(WebKitGtk::NewReadAheadStream(source.Get()));
}

// Reads the way WebKit does: 8 KiB at a time, each read started from the last one's callback.
struct TAsyncReader {
    explicit TAsyncReader(GInputStream* Stream, GCancellable* Cancel = nullptr)
        : FStream(Stream), FCancel(Cancel) {}

    void Start() {
        Pending = true;
        g_input_stream_read_async(FStream, Buffer.data(), Buffer.size(), G_PRIORITY_DEFAULT, FCancel, &Done,
                                  this);
    }
    // Until the end or an error, or only until the read in flight is answered.
    void Run(bool Once = false) {
        while (!Ended && Error == nullptr) {
            if (!Pending) {
                Start();
            }
            while (Pending) {
                g_main_context_iteration(nullptr, TRUE);
            }
            if (Once) {
                return;
            }
        }
    }

    static void Done(GObject* Stream, GAsyncResult* Result, gpointer Data) {
        auto& self = *static_cast<TAsyncReader*>(Data);
        GError* error = nullptr;
        const gssize n = g_input_stream_read_finish(G_INPUT_STREAM(Stream), Result, &error);
        self.Pending = false;
        if (n < 0) {
            self.Error.reset(error);
        } else if (n == 0) {
            self.Ended = true;
        } else {
            self.Got.append(self.Buffer.data(), static_cast<std::size_t>(n));
        }
    }

    GInputStream* FStream;
    GCancellable* FCancel;
    std::array<char, 8192> Buffer{};
    std::string Got;
    TGError Error;
    bool Ended = false;
    bool Pending = false;
};

// Runs the loop until Probe's source has stopped being read for a while.
void WaitUntilQuiet(const TProbe& Probe) {
    std::size_t last = Probe.Read;
    for (int quiet = 0, rounds = 0; quiet < 20 && rounds < 1000; ++rounds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        quiet = Probe.Read == last ? quiet + 1 : 0;
        last = Probe.Read;
    }
}

} // namespace

TEST(ReadAheadStream, GivesEveryByteInOrderThenTheEndToAsyncAndBlockingReads) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{8191}, std::size_t{65537},
                                   std::size_t{3 * 1024 * 1024 + 5}}) {
        SCOPED_TRACE(size);
        const std::string data = Bytes(size);
        const auto probe = std::make_shared<TProbe>();

        const auto stream = Open(data, probe);
        TAsyncReader reader(stream.Get());
        reader.Run();
        EXPECT_EQ(reader.Error, nullptr);
        EXPECT_TRUE(reader.Got == data);

        const auto blocking = Open(data, probe);
        std::string got;
        std::array<char, 5000> buffer{};
        for (;;) {
            const gssize n =
                g_input_stream_read(blocking.Get(), buffer.data(), buffer.size(), nullptr, nullptr);
            ASSERT_GE(n, 0);
            if (n == 0) {
                break;
            }
            got.append(buffer.data(), static_cast<std::size_t>(n));
        }
        EXPECT_TRUE(got == data);
    }
}

TEST(ReadAheadStream, AFailingSourceEndsInAnErrorNeverInAnEnd) {
    const std::string data = Bytes(300000);
    const auto stream = Open(data, std::make_shared<TProbe>(), 200000);
    TAsyncReader reader(stream.Get());
    reader.Run();
    ASSERT_NE(reader.Error, nullptr);
    EXPECT_TRUE(g_error_matches(reader.Error.get(), G_IO_ERROR, G_IO_ERROR_FAILED));
    EXPECT_FALSE(reader.Ended);
    EXPECT_LT(reader.Got.size(), 200000u);
    EXPECT_TRUE(data.compare(0, reader.Got.size(), reader.Got) == 0);
}

TEST(ReadAheadStream, ReadsAheadOnlyABoundedAmountAndResumesAsTheReaderTakes) {
    const std::string data = Bytes(8 * 1024 * 1024);
    const auto probe = std::make_shared<TProbe>();
    const auto stream = Open(data, probe);
    TAsyncReader reader(stream.Get());
    reader.Run(true);
    WaitUntilQuiet(*probe);
    EXPECT_GE(probe->Read, ReadAheadLimit / 2);
    EXPECT_LE(probe->Read, reader.Got.size() + ReadAheadLimit + 64 * 1024);
    reader.Run();
    EXPECT_EQ(reader.Error, nullptr);
    EXPECT_TRUE(reader.Got == data);
}

TEST(ReadAheadStream, DroppedMidAnswerItStopsReadingAndReleasesTheSource) {
    const auto probe = std::make_shared<TProbe>();
    probe->DelayMs = 5;
    {
        const auto stream = Open(Bytes(16 * 1024 * 1024), probe);
        TAsyncReader reader(stream.Get());
        reader.Run(true);
        ASSERT_TRUE(g_input_stream_close(stream.Get(), nullptr, nullptr));
    }
    WaitUntilQuiet(*probe);
    EXPECT_FALSE(probe->Alive);
    EXPECT_LT(probe->Read, ReadAheadLimit + 64 * 1024);
}

TEST(ReadAheadStream, AReadCancelledWhileWaitingForTheSourceEndsAsCancelled) {
    const auto probe = std::make_shared<TProbe>();
    probe->Gated = true;
    const auto stream = Open(Bytes(100000), probe);
    const auto cancel = TGObjectPtr<GCancellable>::Adopt(g_cancellable_new());
    TAsyncReader reader(stream.Get(), cancel.Get());
    reader.Start();
    g_cancellable_cancel(cancel.Get());
    {
        const std::lock_guard<std::mutex> guard(probe->Lock);
        probe->Gated = false;
    }
    probe->Opened.notify_all();
    while (reader.Pending) {
        g_main_context_iteration(nullptr, TRUE);
    }
    ASSERT_NE(reader.Error, nullptr);
    EXPECT_TRUE(g_error_matches(reader.Error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED));
    EXPECT_TRUE(reader.Got.empty());
}
