// The library as hosts use it in anger: many threads at once, running out
// of memory, font files rewritten under it, collections with faces of other
// kinds. Very long text is the text-output tests'.
#include "quelin_test_support.h"

#include "t42/FontFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quelin_test;

// Every allocation through operator new fails while failNewAfter counts
// down to zero on this thread; -1 never fails. ThreadSanitizer keeps
// operator new for itself, so its build runs without.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUELIN_KEEP_NEW
#endif
#endif
namespace {
thread_local long failNewAfter = -1;
thread_local std::size_t newBytes = 0; // asked of operator new on this thread
}
#ifndef QUELIN_KEEP_NEW

void* operator new(std::size_t size) {
    newBytes += size;
    void* block = failNewAfter == 0 ? nullptr : std::malloc(size ? size : 1);
    if (failNewAfter > 0)
        --failNewAfter;
    if (!block)
        throw std::bad_alloc();
    return block;
}
// GCC takes the malloc above for a mismatch once both are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#endif

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

template <typename Work> void RunThreads(int count, Work work) {
    std::vector<std::thread> threads;
    for (int id = 0; id < count; ++id)
        threads.emplace_back(work, id);
    for (std::thread& thread : threads)
        thread.join();
}

class Reliability : public ::testing::Test {
protected:
    CraftedFonts fonts_{{"Quelin Test (TrueType)", "base.ttf"}, {"Cyrillic (TrueType)", "cyrillic.ttf"}};
};

// Eight threads make, read, draw and delete fonts: one request shared by
// all, one of each thread's own, and handles deleted while others use them.
TEST_F(Reliability, EightThreads) {
    constexpr int kThreads = 8, kRounds = 40;
    std::atomic<int> failures{0};
    std::atomic<int> sharedHandle{0};
    auto work = [&](int id) {
        char out[256], name[64];
        for (int round = 0; round < kRounds; ++round) {
            LOGFONTA shared = Request("Quelin Test");
            LOGFONTA own = Request(id % 2 ? "Cyrillic" : "Quelin Test");
            own.lfWeight = 100 + id; // a key of this thread's own
            int a = T42MakeTrueTypeFont(&shared), b = T42MakeTrueTypeFont(&own);
            if (a < 1000 || b < 1000 || a == b)
                ++failures;
            for (int handle : {a, b, sharedHandle.load()}) {
                int drawn = T42TextOut(handle, "A\xE9(B)", out, sizeof out);
                int named = T42GetPSFontName(handle, name, sizeof name);
                // These two read the face, under the font's lock.
                int unicode = T42TextOutUTF8(handle, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", out, sizeof out);
                const unsigned glyphs[] = {static_cast<unsigned>(round % 5 + 1)};
                T42GlobalFree(T42GetSubsetFontData(handle, glyphs, 1));
                HGLOBAL block = T42GetFontData(handle);
                for (int result : {drawn, named, unicode})
                    failures += result != 0 && result != -1001;
                T42GlobalFree(block);
            }
            sharedHandle = a;
            if (round % 3 == id % 3)
                T42DeleteTrueTypeFont(a); // while the other threads use it
            T42DeleteTrueTypeFont(b);
        }
    };
    RunThreads(kThreads, work);
    EXPECT_EQ(0, failures.load());

    // Equal requests converted at once all get the one handle that entered.
    std::vector<int> handles(kThreads);
    LOGFONTA request = Request("Cyrillic", RUSSIAN_CHARSET);
    RunThreads(kThreads, [&](int id) { handles[id] = T42MakeTrueTypeFont(&request); });
    for (int handle : handles)
        EXPECT_EQ(handles[0], handle);
    EXPECT_EQ(0, T42DeleteTrueTypeFont(handles[0]));
    LOGFONTA shared = Request("Quelin Test");
    T42DeleteTrueTypeFont(T42MakeTrueTypeFont(&shared));
}

// Out of memory at any allocation gives -1002 (or a null block), never an
// exception in the host.
TEST_F(Reliability, OutOfMemoryIsAResultCode) {
#ifdef QUELIN_KEEP_NEW
    GTEST_SKIP() << "operator new belongs to the sanitizer";
#endif
    LOGFONTA request = Request("Quelin Test");
    int handle = -1002;
    for (long allowed = 0; handle == -1002; ++allowed) {
        failNewAfter = allowed;
        handle = T42MakeTrueTypeFont(&request);
        failNewAfter = -1;
        ASSERT_TRUE(handle == -1002 || handle >= 1000) << handle << " after " << allowed;
    }
    failNewAfter = 0;
    char out[64];
    EXPECT_EQ(handle, T42MakeTrueTypeFont(&request)); // found without allocating
    EXPECT_EQ(0, T42TextOut(handle, "A\xE9", out, sizeof out));
    EXPECT_EQ(0, T42GetPSFontName(handle, out, sizeof out));
    HGLOBAL block = T42GetFontData(handle);
    EXPECT_EQ(0, T42DeleteTrueTypeFont(handle));
    failNewAfter = -1;
    T42GlobalFree(block);
}

// A subset of a long list of few glyphs costs memory for those glyphs, not
// for the list.
TEST_F(Reliability, LongGlyphListsCostTheirDistinctGlyphs) {
#ifdef QUELIN_KEEP_NEW
    GTEST_SKIP() << "operator new belongs to the sanitizer";
#endif
    OwnedFonts owned;
    int handle = owned.Make(Request("Quelin Test"));
    ASSERT_GE(handle, 1000);
    std::vector<unsigned> glyphs(1u << 22);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        glyphs[i] = static_cast<unsigned>(i % 3 + 1);
    HGLOBAL few = T42GetSubsetFontData(handle, glyphs.data(), 3);
    newBytes = 0;
    HGLOBAL many = T42GetSubsetFontData(handle, glyphs.data(), static_cast<int>(glyphs.size()));
    EXPECT_LT(newBytes, glyphs.size() * sizeof glyphs[0] / 4);
    ASSERT_NE(nullptr, many);
    EXPECT_EQ(T42GlobalSize(few), T42GlobalSize(many));
    T42GlobalFree(few);
    T42GlobalFree(many);
}

// The font file rewritten, truncated or replaced by another process while
// conversions run: each result is a program or a code, never a signal.
TEST_F(Reliability, FontFileRewrittenDuringConversions) {
    char folder[] = "/tmp/quelin-rewrite-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    const std::string path = std::string(folder) + "/font.ttf";
    const std::string good = ReadFile(FontsFolder() + "base.ttf");
    const std::string other = ReadFile(FontsFolder() + "cyrillic.ttf");
    WriteFile(path, good);
    platform::OverrideFontValues({{"Rewritten (TrueType)", path}}, "/");

    LOGFONTA request = Request("Rewritten");
    const int kept = T42MakeTrueTypeFont(&request);
    ASSERT_GE(kept, 1000);
    pid_t writer = fork();
    if (writer == 0) {
        for (int i = 0;; ++i) // until killed
            WriteFile(path, i % 3 == 0 ? good : i % 3 == 1 ? other : good.substr(0, static_cast<std::size_t>(i) % good.size()));
    }
    for (int i = 0; i < 300; ++i) {
        request.lfWeight = 1 + i; // a new conversion each time
        int handle = T42MakeTrueTypeFont(&request);
        EXPECT_TRUE(handle >= 1000 || handle == -1001) << handle;
        T42DeleteTrueTypeFont(handle);
    }
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);

    // The kept handle still draws and hands out its program after the file is gone.
    WriteFile(path, "");
    unlink(path.c_str());
    rmdir(folder);
    char out[64];
    EXPECT_EQ(0, T42TextOut(kept, "A\xE9", out, sizeof out));
    HGLOBAL block = T42GetFontData(kept);
    EXPECT_GT(T42GlobalSize(block), good.size());
    T42GlobalFree(block);
    EXPECT_EQ(0, T42DeleteTrueTypeFont(kept));
}

// Converters of one file hold one copy of its bytes.
TEST_F(Reliability, ConvertersOfOneFileShareItsBytes) {
    const std::size_t before = t42::FontFile::SharedCount();
    OwnedFonts owned;
    for (int charSet : {ANSI_CHARSET, RUSSIAN_CHARSET, GREEK_CHARSET})
        ASSERT_GE(owned.Make(Request("Quelin Test", charSet)), 1000);
    EXPECT_EQ(before + 1, t42::FontFile::SharedCount());
}

// A collection whose face 0 has CFF outlines: face 1 keeps its position.
TEST_F(Reliability, FacesWithoutTrueTypeOutlinesKeepTheirPlace) {
    platform::FontValue value;
    ASSERT_TRUE(platform::DescribeFontFile(FontsFolder() + "mixed.ttc", value));
    EXPECT_EQ("<face 0 of this file has no TrueType outlines> & Quelin Mixed Two Regular (TrueType)", value.name);
    CraftedFonts fonts{value};
    t42::TTPost42 converter;
    LOGFONTA request = Request("Quelin Mixed Two Regular");
    ASSERT_EQ(0, converter.Convert(&request).code);
    EXPECT_STREQ("QuelinMixedTwo", converter.Font().Facts().fontName);
}

} // namespace
