#include "base/Ascii.h"
#include "base/Wildcard.h"
#include "base/glib/GLibPtr.h"
#include "base/glib/GuiPost.h"
#include "base/glib/Signals.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <functional>
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
}

TEST(Ascii, HexDigitsBothWays) {
    for (unsigned v = 0; v < 16; ++v) {
        EXPECT_EQ(Base::HexDigitValue(Base::HexDigit(v)), static_cast<int>(v));
        EXPECT_EQ(Base::HexDigitValue(Base::HexDigit(v, false)), static_cast<int>(v));
    }
    EXPECT_EQ(Base::HexDigitValue('g'), -1);
    EXPECT_EQ(Base::HexDigitValue('/'), -1);
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
