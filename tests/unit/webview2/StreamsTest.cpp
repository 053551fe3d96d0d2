#include "webview2/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace WebView2;

TEST(MemoryStream, ReadsWritesAndSeeksLikeAFile) {
    const ComPtr<IStream> stream = CreateMemoryStream("hello");
    char buffer[8] = {};
    UINT32 count = 0;
    EXPECT_EQ(stream->Read(buffer, 3, &count), S_OK);
    EXPECT_EQ(std::string(buffer, count), "hel");
    EXPECT_EQ(stream->Read(buffer, 8, &count), S_FALSE); // short read at the end
    EXPECT_EQ(std::string(buffer, count), "lo");

    UINT64 position = 0;
    EXPECT_EQ(stream->Seek(-2, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(stream->Write("p!!", 3, &count), S_OK); // overwrites, then grows
    std::string all;
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(ReadToEnd(stream.Get(), all), S_OK);
    EXPECT_EQ(all, "help!!");
    EXPECT_EQ(stream->Seek(-1, STREAM_SEEK_SET, nullptr), E_INVALIDARG);
}

TEST(OStreamAdapter, WritesFromWhereItIsMovedTo) {
    std::stringstream out;
    out << "previous text";
    const ComPtr<IStream> stream = CreateStreamOnOStream(out);
    EXPECT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    UINT32 written = 0;
    EXPECT_EQ(stream->Write("NEW", 3, &written), S_OK);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(out.str(), "NEWvious text");
    char buffer[4];
    UINT32 read = 1;
    EXPECT_EQ(stream->Read(buffer, 4, &read), E_NOTIMPL);
    EXPECT_EQ(read, 0u);
}

TEST(FileStream, CreatesOrTruncatesAndReportsWhyItCannot) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vtr-streams-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto path = folder / "out.bin";
    std::ofstream(path) << "old and longer content";
    HRESULT hr = E_FAIL;
    {
        const ComPtr<IStream> stream = CreateStreamOnFile(path.string(), hr);
        ASSERT_EQ(hr, S_OK);
        UINT32 written = 0;
        stream->Write("new", 3, &written);
    }
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");

    EXPECT_FALSE(CreateStreamOnFile((folder / "missing" / "x.png").string(), hr));
    EXPECT_EQ(static_cast<std::uint32_t>(hr), 0x80070003u);
    std::filesystem::remove_all(folder);
}
