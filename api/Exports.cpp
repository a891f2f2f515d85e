// The five exported functions. Each runs inside the platform's call frame,
// and no exception leaves the library: running out of memory ends in a
// result code (or a null block) instead of unwinding into a C host.
#include "QuelinApp.h"

#include "../include/quelin.h"
#include "../platform/Platform.h"

#include <new>
#include <stdexcept>

using t42::kBadHandle;
using t42::kBadRequest;
using t42::kBufferTooSmall;
using t42::kNoSuchFont;
using t42::kOk;

namespace api {

// Static objects of one translation unit are built in order and destroyed
// in reverse: the table first, then the application object, whose
// teardown releases the fonts while the table still stands.
namespace {
FontTable fontTable;
CQuelinApp theApp(fontTable);
} // namespace

FontTable& TheFontTable() { return fontTable; }
CQuelinApp& TheApp() { return theApp; }

} // namespace api

#if defined(__GNUC__) && !defined(_WIN32)
#define QUELIN_EXPORT __attribute__((visibility("default")))
#else
#define QUELIN_EXPORT
#endif

extern "C" {

QUELIN_EXPORT int QUELIN_CALL T42MakeTrueTypeFont(const LOGFONTA* request) {
    platform::CallFrame frame;
    if (!request)
        return kBadRequest;
    LOGFONTA key;
    if (!api::MakeFontKey(*request, key))
        return kNoSuchFont; // a face name without its zero byte names no font
    api::FontTable& table = api::TheFontTable();
    if (std::int32_t handle = table.FindHandleByKey(key))
        return handle;
    if (!table.CanIssueHandle())
        return kBadRequest;
    try {
        auto converter = std::make_unique<t42::TTPost42>();
        int result = converter->Convert(request);
        if (result != kOk)
            return result;
        return table.Add(key, std::move(converter));
    } catch (const std::bad_alloc&) {
        return kBadRequest; // no memory for the converter or its program
    } catch (const std::exception&) {
        return t42::kBadFont;
    }
}

QUELIN_EXPORT HGLOBAL QUELIN_CALL T42GetFontData(int handle) {
    platform::CallFrame frame;
    t42::TTPost42* converter = api::TheFontTable().FindConverter(handle);
    if (!converter)
        return nullptr;
    return static_cast<HGLOBAL>(converter->GetFontData());
}

QUELIN_EXPORT int QUELIN_CALL T42GetPSFontName(int handle, char* name, int nameSize) {
    platform::CallFrame frame;
    t42::TTPost42* converter = api::TheFontTable().FindConverter(handle);
    if (!converter)
        return kBadHandle;
    return converter->GetPSFontName(name, nameSize);
}

QUELIN_EXPORT int QUELIN_CALL T42TextOut(int handle, const char* text, char* out, int outSize) {
    platform::CallFrame frame;
    t42::TTPost42* converter = api::TheFontTable().FindConverter(handle);
    if (!converter)
        return kBadHandle;
    if (!text)
        return kBadRequest;
    return converter->TextOut(text, out, outSize);
}

QUELIN_EXPORT int QUELIN_CALL T42DeleteTrueTypeFont(int handle) {
    platform::CallFrame frame;
    return api::TheFontTable().Remove(handle) ? kOk : kBadHandle;
}

#ifndef _WIN32
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
