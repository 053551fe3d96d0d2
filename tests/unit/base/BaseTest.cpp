#include "base/Ascii.h"
#include "base/RegularFile.h"
#include "base/Wildcard.h"
#include "base/glib/GLibPtr.h"
#include "base/glib/GuiPost.h"
#include "base/glib/Signals.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

TEST(Ascii, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(Base::ToLowerAscii("Index.HTML \xC3\x84"), "index.html \xC3\x84"); // Ä stays as it is
    EXPECT_TRUE(Base::EqualsIgnoreAsciiCase("FILE:///A", "file:///a"));
    EXPECT_FALSE(Base::EqualsIgnoreAsciiCase("file", "files"));
    EXPECT_TRUE(Base::StartsWithIgnoreAsciiCase("Vtr-File:///x", "vtr-file:"));
    EXPECT_FALSE(Base::StartsWithIgnoreAsciiCase("vtr", "vtr-file:"));
    // One order for sorting and lookup: case-blind, bytes above 0x7F after ASCII.
    EXPECT_TRUE(Base::LessIgnoreAsciiCase("a", "B"));
    EXPECT_TRUE(Base::LessIgnoreAsciiCase("Z", "\xC3\x84"));
    EXPECT_FALSE(Base::LessIgnoreAsciiCase("b", "A"));
    EXPECT_TRUE(Base::LessIgnoreAsciiCase("ab", "ABC"));
    // Resource and version keys are UTF-16: only their ASCII letters fold as well.
    EXPECT_TRUE(Base::EqualsIgnoreAsciiCase(u"FileVersion", u"FILEVERSION"));
    EXPECT_FALSE(Base::EqualsIgnoreAsciiCase(u"\u00C4", u"\u00E4"));
    EXPECT_FALSE(Base::EqualsIgnoreAsciiCase(u"\u0141", u"\u0161")); // a high byte is no letter
}

TEST(Ascii, HexDigitsBothWays) {
    for (unsigned v = 0; v < 16; ++v) {
        EXPECT_EQ(Base::HexDigitValue(Base::HexDigit(v)), static_cast<int>(v));
        EXPECT_EQ(Base::HexDigitValue(Base::HexDigit(v, false)), static_cast<int>(v));
    }
    EXPECT_EQ(Base::HexDigitValue('g'), -1);
    EXPECT_EQ(Base::HexDigitValue('/'), -1);
}

TEST(RegularFile, OnlyARegularFileIsReadAndOnlyUpToTheBound) {
    char name[] = "/tmp/vtr-base-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::filesystem::path dir(name);
    const auto write = [&](const char* Name, const std::string& Bytes) {
        std::ofstream(dir / Name, std::ios::binary) << Bytes;
        return (dir / Name).string();
    };
    const std::string big(200000, 'x'); // more than one read of the reader's buffer
    write("empty", "");
    write("five", "12345");
    write("big", big);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "five", dir / "link");
    struct TCase {
        std::string Path;
        std::size_t MaxBytes;
        Base::TFileRead Result;
        std::string Bytes;
        int Errno; // for Failed
    };
    const std::size_t unbounded = std::numeric_limits<std::size_t>::max() - 1;
    const TCase cases[] = {
        {(dir / "empty").string(), 0, Base::TFileRead::Read, "", 0},
        {(dir / "five").string(), 5, Base::TFileRead::Read, "12345", 0},
        {(dir / "five").string(), 4, Base::TFileRead::TooLarge, "", 0},
        {(dir / "link").string(), unbounded, Base::TFileRead::Read, "12345", 0},
        {(dir / "big").string(), unbounded, Base::TFileRead::Read, big, 0},
        {(dir / "big").string(), big.size() - 1, Base::TFileRead::TooLarge, "", 0},
        {(dir / "missing").string(), unbounded, Base::TFileRead::Failed, "", ENOENT},
        {"", unbounded, Base::TFileRead::Failed, "", ENOENT},
        {dir.string(), unbounded, Base::TFileRead::Failed, "", EISDIR},
        // Opening a pipe would wait for a writer, and a device may never end: never opened.
        {(dir / "pipe").string(), unbounded, Base::TFileRead::Failed, "", EINVAL},
        {"/dev/zero", 16, Base::TFileRead::Failed, "", EINVAL},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path + " bounded at " + std::to_string(c.MaxBytes));
        std::string bytes = "left over";
        errno = 0;
        EXPECT_EQ(Base::ReadRegularFile(c.Path, bytes, c.MaxBytes), c.Result);
        EXPECT_EQ(bytes, c.Bytes);
        if (c.Result == Base::TFileRead::Failed) {
            EXPECT_EQ(errno, c.Errno);
        }
    }
    // A file its reader may not open fails with the system's reason (root may open anything).
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir / "five", std::filesystem::perms::none);
        std::string bytes;
        EXPECT_EQ(Base::ReadRegularFile((dir / "five").string(), bytes), Base::TFileRead::Failed);
        EXPECT_EQ(errno, EACCES);
    }
    std::filesystem::remove_all(dir);
}

TEST(Wildcard, MatchesFileMasksAndUriFilters) {
    struct TCase {
        const char* Pattern;
        const char* Text;
        bool Question;
        bool Expected;
    };
    const TCase cases[] = {
        {"*", "", true, true},
        {"*.txt", "NOTES.TXT", true, true},
        {"*.txt", "notes.txt.bak", true, false},
        {"a?c", "abc", true, true},
        {"a?c", "abc", false, false}, // a URI filter's "?" is a question mark
        {"a?c", "a?c", false, true},
        {"file:///*", "FILE:///index.html", false, true},
        {"*a*b*c*", "xxaxxbxxcxx", true, true},
        {"*a*b*c*", "xxaxxcxxbxx", true, false},
        {"a*", "b", true, false},
        {"", "", true, true},
        {"", "x", true, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Base::MatchesWildcard(c.Pattern, c.Text, {.QuestionMark = c.Question}), c.Expected)
            << c.Pattern << " ~ " << c.Text;
    }
    // Long texts with many stars stay fast: one backtracking point.
    const std::string text(100000, 'a');
    EXPECT_FALSE(Base::MatchesWildcard("*a*a*a*a*a*b", text));
}

TEST(GuiPost, APostedCallRunsOnceAndItsDataGoesEvenWhenTheLoopNeverRunsIt) {
    auto ran = std::make_shared<int>(0);
    Base::GLib::PostToGuiThread([ran] { ++*ran; });
    const guint never = Base::GLib::PostToGuiThread([ran] { ++*ran; });
    EXPECT_EQ(ran.use_count(), 3);
    g_source_remove(never); // as when the loop ends before it gets there
    EXPECT_EQ(ran.use_count(), 2);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    EXPECT_EQ(*ran, 1);
    EXPECT_EQ(ran.use_count(), 1);
    // What a call throws stops at the loop's edge.
    Base::GLib::PostToGuiThread([] { throw std::runtime_error("posted failure"); });
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

TEST(GuiPost, ARepeatingTimerTicksUntilItStopsOrGoesAndItsDataGoesWithIt) {
    auto ticks = std::make_shared<int>(0);
    const auto runUntil = [](const std::function<bool()>& done) {
        const gint64 end = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
        while (!done() && g_get_monotonic_time() < end) {
            g_main_context_iteration(nullptr, TRUE);
        }
    };
    {
        Base::GLib::TRepeatingTimer timer;
        timer.Start(1, [ticks] { ++*ticks; });
        EXPECT_TRUE(timer.Running());
        runUntil([&] { return *ticks >= 3; });
        EXPECT_GE(*ticks, 3);
        // Started anew: the first callable goes at once.
        timer.Start(1, [ticks] { *ticks += 100; });
        EXPECT_EQ(ticks.use_count(), 2);
        timer.Stop();
        EXPECT_FALSE(timer.Running());
        EXPECT_EQ(ticks.use_count(), 1);
        timer.Start(1, [ticks] { ++*ticks; });
    } // gone while running
    EXPECT_EQ(ticks.use_count(), 1);
    const int seen = *ticks;
    const gint64 end = g_get_monotonic_time() + 30 * 1000;
    while (g_get_monotonic_time() < end) {
        g_main_context_iteration(nullptr, FALSE);
    }
    EXPECT_EQ(*ticks, seen);
}

TEST(Signals, AHandlerThatThrowsStopsAtTheBoundaryAndItsDataGoesWithTheConnection) {
    const auto cancellable = Base::GLib::TGObjectPtr<GCancellable>::Adopt(g_cancellable_new());
    auto seen = std::make_shared<int>(0);
    const gulong id =
        Base::GLib::ConnectSignal<void(GCancellable*)>(cancellable.Get(), "cancelled", [seen](GCancellable*) {
            ++*seen;
            throw std::runtime_error("handler failure");
        });
    EXPECT_EQ(seen.use_count(), 2);
    g_cancellable_cancel(cancellable.Get());
    EXPECT_EQ(*seen, 1);
    g_signal_handler_disconnect(cancellable.Get(), id);
    EXPECT_EQ(seen.use_count(), 1);
}

TEST(GLibPtr, OwnedValuesAreFreedOnEveryPath) {
    Base::GLib::TGErrorOut error;
    gchar* contents = nullptr;
    EXPECT_FALSE(g_file_get_contents("/no/such/file", &contents, nullptr, error.Out()));
    EXPECT_EQ(contents, nullptr);
    ASSERT_TRUE(error);
    EXPECT_NE(std::string(error.Message()), "");
    const Base::GLib::TGError taken = error.Take();
    EXPECT_FALSE(error);
    EXPECT_TRUE(taken);
    const Base::GLib::TGString text(g_strdup("x"));
    EXPECT_STREQ(text.get(), "x");
    auto object = Base::GLib::TGObjectPtr<GObject>::Adopt(G_OBJECT(g_cancellable_new()));
    const auto copy = object;
    EXPECT_EQ(G_OBJECT(copy.Get())->ref_count, 2u);
    object.Reset();
    EXPECT_EQ(G_OBJECT(copy.Get())->ref_count, 1u);
}

} // namespace
