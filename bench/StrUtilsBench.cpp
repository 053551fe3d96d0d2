#include "shared/text/StrUtils.h"

#include <benchmark/benchmark.h>

using Shared::TStrUtils;

static void BM_GetFileMIMEType(benchmark::State& state) {
    const char* names[] = {"index.html", "app/scripts/main.js", "img/LOGO.PNG", "fonts/a.woff2", "README"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TStrUtils::GetFileMIMEType(names[i++ % 5]));
    }
}
BENCHMARK(BM_GetFileMIMEType);

static void BM_StringToJsonString(benchmark::State& state) {
    const std::string text = "/home/user/Documents/Caf\u00e9 \u20ac report \"2026\"\t\u4e2d\u6587.txt";
    for (auto _ : state) {
        benchmark::DoNotOptimize(TStrUtils::StringToJsonString(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_StringToJsonString);
