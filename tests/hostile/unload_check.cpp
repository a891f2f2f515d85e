// The exports' life cycle as a host lives it, for LeakSanitizer: the shared
// library is loaded at run time, fonts are converted, handed out, named,
// asked for drawing code and some deleted, and the library is unloaded with
// the rest still converted. Its static teardown must release them: after the
// unload nothing it allocated is reachable, so whatever it kept is reported
// as a leak when the process exits. (Fonts left to the teardown at process
// exit are hostile_run's.)
//
// Usage: unload_check LIBRARY
#include "quelin.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void* library;

// The library's export `name`, looked up in the loaded library (null if it is not exported).
template <typename F> F Export(const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}
#define T42(name) Export<decltype(&name)>(#name)

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: unload_check LIBRARY\n");
        return 2;
    }
    // The host's own fontconfig: the configuration it loads stays the
    // host's, and FcFini below frees it, so LeakSanitizer needs no
    // suppressions here.
    FcInit();
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library || !T42(T42MakeTrueTypeFont) || !T42(T42TextOut) || !T42(T42GetSubsetFontData)) {
        std::fprintf(stderr, "unload_check: %s\n", library ? "exports missing" : dlerror());
        return 1;
    }
    std::vector<int> handles;
    for (const char* face : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "DejaVu Sans Bold"})
        for (int charSet : {ANSI_CHARSET, RUSSIAN_CHARSET, SYMBOL_CHARSET}) {
            LOGFONTA request{};
            std::strcpy(request.lfFaceName, face);
            request.lfCharSet = static_cast<std::uint8_t>(charSet);
            int handle = T42(T42MakeTrueTypeFont)(&request);
            if (handle < 0)
                continue;
            handles.push_back(handle);
            unsigned glyphs[] = {0, 36};
            for (HGLOBAL block : {T42(T42GetFontData)(handle), T42(T42GetSubsetFontData)(handle, glyphs, 2)})
                if (block && T42(T42GlobalLock)(block)) {
                    T42(T42GlobalUnlock)(block);
                    T42(T42GlobalFree)(block);
                }
            char name[128], out[4096];
            T42(T42GetPSFontName)(handle, name, sizeof name);
            T42(T42TextOut)(handle, "Caf\xe9 (au lait) \\ \x80\xff\x92v", out, sizeof out);
        }
    for (std::size_t i = 0; i < handles.size(); i += 2)
        T42(T42DeleteTrueTypeFont)(handles[i]);
    bool unloaded = dlclose(library) == 0 && !dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD);
    FcFini();
    std::printf("unload_check: %zu fonts converted, library %s\n", handles.size(),
                unloaded ? "unloaded" : "still loaded, so its leaks would not show");
    return handles.size() >= 3 && unloaded ? 0 : 1;
}
