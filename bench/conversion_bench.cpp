// Conversion, text output and cache look-ups, through the exports.
#include "quelin.h"

#include "api/QuelinApp.h"
#include "platform/Platform.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kDejaVuSansMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kDroidFallback = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";
const char* const kWenQuanYi = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

LOGFONTA Request(const char* faceName, int weight = 400, int charSet = ANSI_CHARSET) {
    LOGFONTA request;
    std::memset(&request, 0, sizeof request);
    request.lfWeight = weight;
    request.lfCharSet = static_cast<decltype(request.lfCharSet)>(charSet);
    std::snprintf(request.lfFaceName, sizeof request.lfFaceName, "%s", faceName);
    return request;
}

// Converts `path` afresh each iteration: the whole conversion, with the
// program handed out once as a host would. Three fonts of different sizes
// show how the cost grows with the font.
void BM_Convert(benchmark::State& state, const char* path) {
    platform::OverrideFontValues({{"Bench Font (TrueType)", path}}, "/");
    LOGFONTA request = Request("Bench Font");
    std::size_t bytes = 0;
    for (auto _ : state) {
        int handle = T42MakeTrueTypeFont(&request);
        if (handle < 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        HGLOBAL block = T42GetFontData(handle);
        bytes = T42GlobalSize(block);
        T42GlobalFree(block);
        T42DeleteTrueTypeFont(handle);
    }
    platform::ClearFontValuesOverride();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}


// A 1 KB line in code page 1252 in which one byte in ten is an accented
// letter, into a 4 KB buffer.
void BM_TextOut1K(benchmark::State& state) {
    platform::OverrideFontValues({{"Bench Font (TrueType)", kDejaVuSans}}, "/");
    LOGFONTA request = Request("Bench Font");
    int handle = T42MakeTrueTypeFont(&request);
    platform::ClearFontValuesOverride();
    const char accents[] = "\xE9\xE8\xE0\xFC\xF6\xE7\xF1\xC9\xC4\xD8";
    std::string text;
    for (int i = 0; text.size() < 1024; ++i)
        text += i % 10 == 9 ? accents[(i / 10) % 10] : static_cast<char>('a' + i % 26);
    std::vector<char> out(4096);
    for (auto _ : state) {
        int result = T42TextOut(handle, text.c_str(), out.data(), static_cast<int>(out.size()));
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
    }
    T42DeleteTrueTypeFont(handle);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// A line of 512 different GB2312 ideographs (code page 936) in WenQuanYi
// Zen Hei into a 16 KB buffer, drawn once before timing so that the pairs'
// items are cached, as for a host that prints the same characters again.
void BM_TextOutPairs512(benchmark::State& state) {
    platform::OverrideFontValues({{"Bench Font (TrueType)", kWenQuanYi}}, "/");
    LOGFONTA request = Request("Bench Font", 400, GB2312_CHARSET);
    int handle = T42MakeTrueTypeFont(&request);
    platform::ClearFontValuesOverride();
    std::string text;
    for (int i = 0; i < 512; ++i) {
        text += static_cast<char>(0xB0 + i / 94);
        text += static_cast<char>(0xA1 + i % 94);
    }
    std::vector<char> out(16 * 1024);
    if (T42TextOut(handle, text.c_str(), out.data(), static_cast<int>(out.size())) != T42_OK)
        state.SkipWithError("the line does not fit");
    for (auto _ : state) {
        int result = T42TextOut(handle, text.c_str(), out.data(), static_cast<int>(out.size()));
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
    }
    T42DeleteTrueTypeFont(handle);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 512));
}

// T42MakeTrueTypeFont answered from the cache with 1000 fonts in the table.
void BM_CachedMake1000(benchmark::State& state) {
    platform::OverrideFontValues({{"Bench Font (TrueType)", kDejaVuSans}}, "/");
    std::vector<int> handles;
    for (int weight = 1; weight <= 1000; ++weight) {
        LOGFONTA request = Request("Bench Font", weight);
        handles.push_back(T42MakeTrueTypeFont(&request));
    }
    platform::ClearFontValuesOverride();
    LOGFONTA request = Request("Bench Font", 500);
    for (auto _ : state)
        benchmark::DoNotOptimize(T42MakeTrueTypeFont(&request));
    for (int handle : handles)
        T42DeleteTrueTypeFont(handle);
}

} // namespace

BENCHMARK_CAPTURE(BM_Convert, DejaVuSansMono_343KB, kDejaVuSansMono)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, DejaVuSans_760KB, kDejaVuSans)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, DroidSansFallbackFull_4MB, kDroidFallback)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextOut1K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextOutPairs512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CachedMake1000)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
