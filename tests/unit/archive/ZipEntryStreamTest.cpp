// Entries read as they are asked for: in pieces, from any point, on several threads at once,
// and a damaged entry fails instead of ending as if whole.

#include "shared/archive/ZipEntryStream.h"
#include "ZipFixtures.h"

#include <gtest/gtest.h>

#include <thread>

using namespace Shared;
using namespace ZipFixtures;

namespace {

// Everything from the stream's position on, read in pieces of Piece bytes; "<failed>" appended
// when a read fails.
std::string ReadRest(TZipEntryStream& Stream, std::size_t Piece = 4096) {
    std::string out;
    std::string buffer(Piece, '\0');
    for (;;) {
        const std::int64_t n = Stream.Read(buffer.data(), buffer.size());
        if (n < 0) {
            return out + "<failed>";
        }
        if (n == 0) {
            return out;
        }
        out.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

const std::string Big = Fixtures::Pattern(3 * TZipCheckpoints::Spacing + 12345, 7);

} // namespace

TEST(ZipEntryStream, EveryKindOfEntryReadsWholeInPiecesAndFromAnyPoint) {
    const std::string bytes = BuildArchive({
        {"stored-encrypted", Big, false, "pw"},
        {"stored-plain", Big, false, std::nullopt},
        {"deflated-encrypted", Big, true, "pw"},
        {"deflated-plain", Big, true, std::nullopt},
    });
    TOpened o(bytes, "pw");
    for (const char* name : {"stored-encrypted", "stored-plain", "deflated-encrypted", "deflated-plain"}) {
        SCOPED_TRACE(name);
        const auto stream = o.Zip.OpenEntry(name);
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->Size(), Big.size());
        EXPECT_EQ(ReadRest(*stream, 1000), Big);
        EXPECT_TRUE(stream->WholeAndIntact());
        // Forwards, backwards, over the kept cipher states and between them, to the very end.
        for (const std::uint64_t at :
             {std::uint64_t{5}, 2 * TZipCheckpoints::Spacing + 3, std::uint64_t{1}, TZipCheckpoints::Spacing,
              Big.size() - 10, std::uint64_t{Big.size()}}) {
            ASSERT_TRUE(stream->Seek(at)) << at;
            EXPECT_EQ(stream->Position(), at);
            const std::string rest = ReadRest(*stream, 777);
            EXPECT_EQ(rest, Big.substr(at)) << at;
        }
        EXPECT_FALSE(stream->Seek(Big.size() + 1));
        ASSERT_TRUE(stream->Seek(0)); // read from the start again: checked again
        EXPECT_EQ(ReadRest(*stream), Big);
        EXPECT_TRUE(stream->WholeAndIntact());
    }
}

TEST(ZipEntryStream, ADamagedEntryFailsItsLastReadInsteadOfEndingAsIfWhole) {
    std::string bytes = BuildArchive({{"page", Big, false, "pw"}, {"other", "fine", false, "pw"}});
    const std::size_t entry = CentralHeader(bytes, 0);
    PutU32(bytes, entry + 16, GetU32(bytes, entry + 16) ^ 1); // the CRC the directory claims
    TOpened o(bytes, "pw");
    const auto stream = o.Zip.OpenEntry("page");
    ASSERT_TRUE(stream);
    const std::string got = ReadRest(*stream, 64 * 1024);
    EXPECT_TRUE(got.ends_with("<failed>"));
    EXPECT_LT(got.size() - 8, Big.size()); // the last piece is held back
    EXPECT_FALSE(stream->WholeAndIntact());
    // The whole-entry extraction still gives what it read, and says it is not intact.
    EXPECT_EQ(o.Zip.ExtractToString("page"), Big);
    EXPECT_FALSE(o.Zip.LastCrcOk());
    // A wrong password opens nothing.
    TOpened wrong(bytes, "other password");
    EXPECT_FALSE(wrong.Zip.OpenEntry("other"));
    EXPECT_FALSE(o.Zip.OpenEntry("missing"));
}

TEST(ZipEntryStream, StreamsOfOneArchiveRunOnSeveralThreadsAtOnce) {
    const std::string bytes = BuildArchive({{"a", Big, false, "pw"}, {"b", Big, true, "pw"}});
    TOpened o(bytes, "pw");
    std::string results[4];
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        auto stream = o.Zip.OpenEntry(i % 2 == 0 ? "a" : "b");
        ASSERT_TRUE(stream);
        threads.emplace_back([&results, i, s = std::move(stream)] {
            s->Seek(static_cast<std::uint64_t>(i) * 1000 + TZipCheckpoints::Spacing);
            results[i] = ReadRest(*s, 3000);
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(results[i], Big.substr(static_cast<std::size_t>(i) * 1000 + TZipCheckpoints::Spacing)) << i;
    }
}
