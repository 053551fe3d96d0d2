// Reading the application archive: copying it out of the executable, opening it, and
// extracting every entry of a 200 MB / 2,000-file archive, beside the natural ceiling: a plain
// ZipCrypto decryption loop over the same bytes; and beside that loop followed by zlib's crc32
// over the plain bytes, the CRC check a reader makes without the cipher's key. The archive is
// generated at start in a temporary folder and removed at the end.

#include "shared/archive/ArchiveConventions.h"
#include "shared/archive/ExeZip.h"
#include "shared/archive/ZipWriter.h"
#include "shared/exe/ExeUtils.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>

using namespace Shared;

namespace {

constexpr std::size_t FileCount = 2000;
constexpr std::size_t FileSize = 100000; // 200 MB in all

struct TBenchArchive {
    std::filesystem::path Dir;
    std::string ExePath;
    std::string Archive;                  // the archive's bytes, as start-up holds them
    std::vector<std::string> Names;       // every file entry
    std::vector<std::string_view> Cipher; // every entry's encrypted bytes, header included
    std::uint64_t PlainBytes = 0;

    TBenchArchive() {
        std::random_device rd;
        Dir = std::filesystem::temp_directory_path() / ("vtr-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(Dir);
        ExePath = (Dir / "app").string();

        // A minimal ELF image (header only) followed by the archive, as vtr-pack lays it out.
        std::string image(64, '\0');
        image.replace(0, 4,
                      "\x7F"
                      "ELF");
        image[4] = 2;
        image[5] = 1;
        image[0x34] = 64;
        TFileStream exe(ExePath, TFileMode::Create);
        exe.Write(image);

        std::mt19937_64 random(42);
        std::string data(FileSize, '\0');
        TZipWriter writer(exe, Archive::Password);
        for (std::size_t i = 0; i < FileCount; ++i) {
            if (i % 100 == 0) {
                writer.AddFolder("app/d" + std::to_string(i / 100) + "/");
            }
            for (std::size_t j = 0; j < data.size(); j += 8) {
                const std::uint64_t r = random();
                std::memcpy(data.data() + j, &r, std::min<std::size_t>(8, data.size() - j));
            }
            Names.push_back("app/d" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".bin");
            writer.AddFile(Names.back(), data);
            PlainBytes += data.size();
        }
        writer.Finish();
        exe.Close();

        TExeUtils utils(ExePath);
        TMemoryStream memory;
        utils.GetZipFromExe(memory);
        Archive = memory.TakeBytes();
        for (const TZipWriter::TEntry& e : writer.Entries()) {
            if (!e.IsFolder) {
                Cipher.push_back(
                    std::string_view(Archive).substr(e.Offset + 30 + e.Name.size(), e.Size + 12));
            }
        }
    }
    ~TBenchArchive() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
};

TBenchArchive& Bench() {
    static TBenchArchive archive;
    return archive;
}

// The ceiling: the cipher's textbook form, nothing else (no CRC, no copies, no lookups).
void PlainZipCryptoLoop(std::string_view cipher, std::uint8_t* out) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    const auto update = [&](std::uint8_t c) {
        k0 = table[(k0 ^ c) & 0xFF] ^ (k0 >> 8);
        k1 = (k1 + (k0 & 0xFF)) * 134775813 + 1;
        k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
    };
    for (const char c : Archive::Password) {
        update(static_cast<std::uint8_t>(c));
    }
    for (std::size_t i = 0; i < cipher.size(); ++i) {
        const std::uint16_t t = static_cast<std::uint16_t>(k2 | 2);
        const auto plain =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(cipher[i]) ^ ((t * (t ^ 1)) >> 8));
        out[i] = plain;
        update(plain);
    }
}

void BM_PlainZipCryptoLoop(benchmark::State& state) {
    TBenchArchive& b = Bench();
    std::vector<std::uint8_t> out(FileSize + 12);
    for (auto _ : state) {
        for (const std::string_view cipher : b.Cipher) {
            PlainZipCryptoLoop(cipher, out.data());
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.PlainBytes));
}

// The ceiling plus the CRC as a second pass through zlib: what checking every entry costs
// when the CRC is not taken from the cipher's first key.
void BM_PlainLoopThenZlibCrc(benchmark::State& state) {
    TBenchArchive& b = Bench();
    std::vector<std::uint8_t> out(FileSize + 12);
    for (auto _ : state) {
        for (const std::string_view cipher : b.Cipher) {
            PlainZipCryptoLoop(cipher, out.data());
            const uLong crc = crc32(0, out.data() + 12, static_cast<uInt>(cipher.size() - 12));
            benchmark::DoNotOptimize(crc);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.PlainBytes));
}

void BM_ExtractAll(benchmark::State& state) {
    TBenchArchive& b = Bench();
    TExeZip zip;
    zip.SetPassword(Archive::Password);
    zip.Open(b.Archive);
    for (auto _ : state) {
        for (const std::string& name : b.Names) {
            std::string bytes = zip.ExtractToString(name);
            if (!zip.LastCrcOk()) {
                state.SkipWithError("CRC check failed");
                return;
            }
            benchmark::DoNotOptimize(bytes.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.PlainBytes));
}

// Start-up's part: the archive copied out of the executable file and opened.
void BM_CopyOutAndOpen(benchmark::State& state) {
    TBenchArchive& b = Bench();
    for (auto _ : state) {
        TExeUtils utils(b.ExePath);
        TMemoryStream memory;
        utils.GetZipFromExe(memory);
        TExeZip zip;
        zip.SetPassword(Archive::Password);
        zip.Open(memory);
        benchmark::DoNotOptimize(zip.FileCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.Archive.size()));
}

// What serving one request costs: find a small entry and read it into memory.
void BM_ExtractSmallEntry(benchmark::State& state) {
    TMemoryStream target;
    TZipWriter writer(target, Archive::Password);
    for (int i = 0; i < 500; ++i) {
        writer.AddFile("app/page" + std::to_string(i) + ".html",
                       std::string(2048, static_cast<char>('a' + i % 26)));
    }
    writer.Finish();
    TExeZip zip;
    zip.SetPassword(Archive::Password);
    zip.Open(target);
    int i = 0;
    for (auto _ : state) {
        std::string bytes = zip.ExtractToString("APP/Page" + std::to_string(i++ % 500) + ".html");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2048));
}

// Keeps the measured rates so that main can print the ratio to the ceiling.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const auto found = run.counters.find("bytes_per_second");
                if (found != run.counters.end()) {
                    Rates[run.run_name.function_name] = found->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Rates;
};

} // namespace

BENCHMARK(BM_PlainZipCryptoLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainLoopThenZlibCrc)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExtractAll)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CopyOutAndOpen)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ExtractSmallEntry);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto rate = [&](const char* name) {
        const auto found = reporter.Rates.find(name);
        return found == reporter.Rates.end() ? 0.0 : found->second;
    };
    const double plain = rate("BM_PlainZipCryptoLoop");
    if (plain > 0) {
        for (const char* name : {"BM_ExtractAll", "BM_PlainLoopThenZlibCrc"}) {
            if (rate(name) > 0) {
                std::printf("%s: %.1f MB/s, %.2fx the plain ZipCrypto loop (%.1f MB/s)\n", name,
                            rate(name) / 1e6, rate(name) / plain, plain / 1e6);
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
