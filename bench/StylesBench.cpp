// What a configured style costs at start-up: knowing the catalogue's names (every resource's
// header) and reading the one style to apply; and sorting the names as themes.getThemes does.
#include "platform/TextCompare.h"
#include "shared/config/Resources.h"
#include "shared/styles/StyleResource.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

using Shared::TResources;
using Shared::TStyleResource;

static void BM_RegisterCatalogueHeaders(benchmark::State& state) {
    const std::vector<std::string> names = TResources::Names("VCLSTYLE");
    for (auto _ : state) {
        for (const std::string& name : names) {
            benchmark::DoNotOptimize(TStyleResource::ReadHeader(*TResources::Find("VCLSTYLE", name)));
        }
    }
    state.counters["styles"] = static_cast<double>(names.size());
}
BENCHMARK(BM_RegisterCatalogueHeaders);

static void BM_ReadOneStyle(benchmark::State& state) {
    const auto data = *TResources::Find("VCLSTYLE", "WINDOWSDARK");
    for (auto _ : state) {
        benchmark::DoNotOptimize(TStyleResource::Read(data));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ReadOneStyle);

static void BM_SortFortyNamesByLocale(benchmark::State& state) {
    std::vector<std::string> names = {"Windows"};
    for (const std::string& resource : TResources::Names("VCLSTYLE")) {
        names.push_back(TStyleResource::ReadHeader(*TResources::Find("VCLSTYLE", resource))->Name);
    }
    for (auto _ : state) {
        std::vector<std::string> list = names;
        std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
            return Platform::CompareTextIgnoreCase(a, b) < 0;
        });
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_SortFortyNamesByLocale);
