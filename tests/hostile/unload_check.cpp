// The exports' life cycle as a host lives it, for LeakSanitizer: the shared
// library is loaded at run time, fonts are converted (make), handed out
// (data), named, asked for drawing code (text) and deleted, some twice or
// after reuse, and the library is unloaded with fonts still converted. Its
// static teardown must release them: after the unload nothing it allocated
// is reachable, so whatever it kept is reported as a leak when the process
// exits. With "exit" the library stays loaded and the fonts are left to the
// teardown at process exit instead.
//
// Usage: unload_check LIBRARY unload|exit
#include "quelin.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Exports {
    decltype(&T42MakeTrueTypeFont) make;
    decltype(&T42GetFontData) data;
    decltype(&T42GetPSFontName) name;
    decltype(&T42TextOut) text;
    decltype(&T42DeleteTrueTypeFont) remove;
    decltype(&T42GlobalLock) lock;
    decltype(&T42GlobalUnlock) unlock;
    decltype(&T42GlobalSize) size;
    decltype(&T42GlobalFree) free;
};

template <typename F> bool Resolve(void* library, const char* symbol, F& function) {
    function = reinterpret_cast<F>(dlsym(library, symbol));
    if (!function)
        std::fprintf(stderr, "unload_check: %s is not exported\n", symbol);
    return function != nullptr;
}

int failures = 0;

void Expect(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "unload_check: %s\n", what.c_str());
        ++failures;
    }
}

// One font through every export but delete; its handle, or 0.
int Use(const Exports& t42, const char* face, int charSet) {
    LOGFONTA request{};
    std::strcpy(request.lfFaceName, face);
    request.lfCharSet = static_cast<std::uint8_t>(charSet);
    int handle = t42.make(&request);
    if (handle < 0)
        return 0;
    HGLOBAL block = t42.data(handle);
    Expect(block && t42.size(block) > 1000, std::string("no program for ") + face);
    if (block) {
        Expect(std::strncmp(static_cast<const char*>(t42.lock(block)), "%!PS-TrueTypeFont", 17) == 0,
               "the program's first line");
        t42.unlock(block);
        Expect(t42.free(block) == nullptr, "T42GlobalFree");
    }
    char name[128];
    Expect(t42.name(handle, name, sizeof name) == 0, std::string("no name for ") + face);
    std::vector<char> out(4096);
    const char* text = "Caf\xe9 (au lait) \\ \x80\xff\x92v";
    Expect(t42.text(handle, text, out.data(), static_cast<int>(out.size())) == 0, "drawing code");
    Expect(t42.text(handle, text, out.data(), 8) == T42_ERROR_BUFFER_TOO_SMALL, "cut drawing code");
    return handle;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "unload") != 0 && std::strcmp(argv[2], "exit") != 0)) {
        std::fprintf(stderr, "usage: unload_check LIBRARY unload|exit\n");
        return 2;
    }
    bool unload = std::strcmp(argv[2], "unload") == 0;
    // The host's own fontconfig: the configuration it loads stays the
    // host's, and FcFini below frees it, so LeakSanitizer needs no
    // suppressions here.
    FcInit();
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "unload_check: %s\n", dlerror());
        return 1;
    }
    Exports t42{};
    if (!Resolve(library, "T42MakeTrueTypeFont", t42.make) || !Resolve(library, "T42GetFontData", t42.data) ||
        !Resolve(library, "T42GetPSFontName", t42.name) || !Resolve(library, "T42TextOut", t42.text) ||
        !Resolve(library, "T42DeleteTrueTypeFont", t42.remove) || !Resolve(library, "T42GlobalLock", t42.lock) ||
        !Resolve(library, "T42GlobalUnlock", t42.unlock) || !Resolve(library, "T42GlobalSize", t42.size) ||
        !Resolve(library, "T42GlobalFree", t42.free))
        return 1;

    std::vector<int> handles;
    for (const char* face : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "DejaVu Sans Bold"})
        for (int charSet : {ANSI_CHARSET, RUSSIAN_CHARSET, SYMBOL_CHARSET})
            if (int handle = Use(t42, face, charSet))
                handles.push_back(handle);
    Expect(handles.size() >= 3, "fewer than three DejaVu faces could be converted");
    if (handles.empty())
        return 1;

    // Delete every other font; reconvert one; delete one twice.
    for (std::size_t i = 0; i < handles.size(); i += 2)
        Expect(t42.remove(handles[i]) == 0, "delete");
    Expect(t42.remove(handles[0]) == T42_ERROR_BAD_HANDLE, "a second delete");
    int again = Use(t42, "DejaVu Sans", ANSI_CHARSET);
    Expect(again != 0 && again != handles[0], "the reconversion got the deleted handle");
    Expect(t42.data(handles[0]) == nullptr, "data of a deleted font");

    if (unload) {
        Expect(dlclose(library) == 0, "dlclose");
        Expect(dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) == nullptr,
               "the library is still loaded after dlclose, so its leaks would not show");
    }
    FcFini();
    std::printf("unload_check %s: %zu fonts converted, %s\n", argv[2], handles.size() + 1,
                failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
