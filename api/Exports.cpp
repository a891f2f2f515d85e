// The exported functions: the five of every platform, and on Linux
// T42TextOutUTF8, T42GetSubsetFontData and the global memory functions.
// Each runs inside the platform's call frame and through one guard, so that
// no exception leaves the library: running out of memory ends in a result
// code (or a null block) instead of unwinding into a C host. Any thread may
// call any of them at any time.
#include "Library.h"
#include "QuelinApp.h"

#include "../platform/Platform.h"

#include <new>
#include <string>
#include <vector>

using t42::kBadHandle;
using t42::kBadRequest;
using t42::kNoSuchFont;
using t42::kOk;

namespace api {

// Static objects of one translation unit are built in order and destroyed
// in reverse: the table first, then the application object, whose
// teardown releases the fonts while the table still stands.
namespace {
FontTable fontTable;
CQuelinApp theApp(fontTable);

// Runs `body` inside the call frame; out of memory gives `onOutOfMemory`,
// any other exception `onError`.
template <typename Result, typename Body> Result Guarded(Result onOutOfMemory, Result onError, Body body) {
    try {
        platform::CallFrame frame;
        return body();
    } catch (const std::bad_alloc&) {
        return onOutOfMemory;
    } catch (...) {
        return onError;
    }
}

// A drawing export: the handle is checked first, then the text, then the
// converter draws.
template <typename Draw> int DrawText(int handle, const char* text, Draw draw) {
    return Guarded<int>(kBadRequest, kBadHandle, [&]() -> int {
        auto converter = FindConverter(handle);
        if (!converter)
            return kBadHandle;
        return text ? draw(*converter) : kBadRequest;
    });
}

#ifndef _WIN32
// The distinct glyphs of `glyphs`, ascending, as drawn glyphs that take
// their text from the font's Unicode map; false when one is not below
// `numGlyphs`. A bit per glyph of the font marks them, so however long the
// list, memory grows with the font alone.
bool DistinctGlyphs(const unsigned* glyphs, int count, std::uint32_t numGlyphs,
                    std::vector<t42::DrawnGlyph>& drawn) {
    std::vector<bool> listed(numGlyphs);
    for (int i = 0; i < count; ++i) {
        if (glyphs[i] >= numGlyphs)
            return false;
        listed[glyphs[i]] = true;
    }
    for (std::uint32_t glyph = 0; glyph < numGlyphs; ++glyph)
        if (listed[glyph])
            drawn.push_back({glyph, std::u32string()});
    return true;
}
#endif

} // namespace

FontTable& TheFontTable() { return fontTable; }
CQuelinApp& TheApp() { return theApp; }

int MakeTrueTypeFont(const LOGFONTA* request, t42::Status* status) {
    t42::Status refusal;
    int result = Guarded<int>(kBadRequest, t42::kBadFont, [&]() -> int {
        if (!request) {
            refusal = t42::Status::Refuse(kBadRequest, t42::Check::noRequest);
            return kBadRequest;
        }
        FontKey key;
        if (!MakeFontKey(*request, key)) {
            refusal = t42::Status::Refuse(kNoSuchFont, t42::Check::unterminatedName);
            return kNoSuchFont;
        }
        if (std::int32_t handle = fontTable.FindHandleByKey(key))
            return handle;
        if (!fontTable.CanIssueHandle())
            return (refusal = t42::Status::Refuse(kBadRequest, t42::Check::noHandleLeft)).code;
        // The conversion runs outside the table's lock; when another thread
        // entered an equal request meanwhile, its handle wins.
        auto converter = std::make_shared<t42::TTPost42>();
        refusal = converter->Convert(request);
        if (!refusal.Ok())
            return refusal.code;
        std::int32_t handle = fontTable.Add(key, std::move(converter));
        if (handle == 0)
            return (refusal = t42::Status::Refuse(kBadRequest, t42::Check::noHandleLeft)).code;
        return handle;
    });
    if (status) {
        // What the guard caught: running out of memory, or anything else.
        if (result < 0 && refusal.code != result)
            refusal = t42::Status::Refuse(result, result == kBadRequest ? t42::Check::outOfMemory
                                                                        : t42::Check::internalError);
        *status = result < 0 ? refusal : t42::Status{};
    }
    return result;
}

std::shared_ptr<const t42::TTPost42> FindConverter(int handle) { return fontTable.FindConverter(handle); }

} // namespace api

#if defined(__GNUC__) && !defined(_WIN32)
#define QUELIN_EXPORT __attribute__((visibility("default")))
#else
#define QUELIN_EXPORT
#endif

extern "C" {

QUELIN_EXPORT int QUELIN_CALL T42MakeTrueTypeFont(const LOGFONTA* request) {
    return api::MakeTrueTypeFont(request, nullptr);
}

QUELIN_EXPORT HGLOBAL QUELIN_CALL T42GetFontData(int handle) {
    return api::Guarded<HGLOBAL>(nullptr, nullptr, [&]() -> HGLOBAL {
        auto converter = api::FindConverter(handle);
        return converter ? static_cast<HGLOBAL>(converter->GetFontData()) : nullptr;
    });
}

QUELIN_EXPORT int QUELIN_CALL T42GetPSFontName(int handle, char* name, int nameSize) {
    return api::Guarded<int>(kBadRequest, kBadHandle, [&]() -> int {
        auto converter = api::FindConverter(handle);
        return converter ? converter->GetPSFontName(name, nameSize) : kBadHandle;
    });
}

QUELIN_EXPORT int QUELIN_CALL T42TextOut(int handle, const char* text, char* out, int outSize) {
    return api::DrawText(handle, text, [&](const t42::TTPost42& converter) {
        return converter.TextOut(text, out, outSize);
    });
}

QUELIN_EXPORT int QUELIN_CALL T42DeleteTrueTypeFont(int handle) {
    return api::Guarded<int>(kBadRequest, kBadHandle, [&]() -> int {
        return api::TheFontTable().Remove(handle) ? kOk : kBadHandle;
    });
}

#ifndef _WIN32
QUELIN_EXPORT int T42TextOutUTF8(int handle, const char* text, char* out, int outSize) {
    return api::DrawText(handle, text, [&](const t42::TTPost42& converter) {
        return converter.TextOutUtf8(text, out, outSize);
    });
}

// Linux only: the program of some glyphs, for hosts that draw by glyph index.
QUELIN_EXPORT HGLOBAL T42GetSubsetFontData(int handle, const unsigned* glyphs, int count) {
    return api::Guarded<HGLOBAL>(nullptr, nullptr, [&]() -> HGLOBAL {
        auto converter = api::FindConverter(handle);
        if (!converter || !glyphs || count <= 0)
            return nullptr;
        std::vector<t42::DrawnGlyph> drawn;
        auto numGlyphs = static_cast<std::uint32_t>(converter->Font().Facts().numGlyphs);
        t42::SubsetPlan plan;
        if (!api::DistinctGlyphs(glyphs, count, numGlyphs, drawn) || !converter->PlanSubset(drawn, plan).Ok())
            return nullptr;
        t42::OutputBuffer program;
        plan.WriteProgram(program);
        return static_cast<HGLOBAL>(t42::CopyToGlobalBlock(program));
    });
}

QUELIN_EXPORT void* T42GlobalLock(HGLOBAL block) { return platform::GlobalLockBlock(block); }

QUELIN_EXPORT int T42GlobalUnlock(HGLOBAL block) {
    platform::GlobalUnlockBlock(block);
    return 0;
}

QUELIN_EXPORT size_t T42GlobalSize(HGLOBAL block) { return platform::GlobalBlockSize(block); }

QUELIN_EXPORT HGLOBAL T42GlobalFree(HGLOBAL block) {
    platform::GlobalFreeBlock(block);
    return nullptr;
}
#endif

} // extern "C"
