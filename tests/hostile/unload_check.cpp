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
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void* library;
int failures = 0;

// The library's export `name`, looked up in the loaded library.
template <typename F> F Export(const char* name) {
    F function = reinterpret_cast<F>(dlsym(library, name));
    if (!function) {
        std::fprintf(stderr, "unload_check: %s is not exported\n", name);
        std::exit(1);
    }
    return function;
}
#define T42(name) Export<decltype(&name)>(#name)

void Expect(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "unload_check: %s\n", what.c_str());
        ++failures;
    }
}

// One font through every export but delete; its handle, or 0.
int Use(const char* face, int charSet) {
    LOGFONTA request{};
    std::strcpy(request.lfFaceName, face);
    request.lfCharSet = static_cast<std::uint8_t>(charSet);
    int handle = T42(T42MakeTrueTypeFont)(&request);
    if (handle < 0)
        return 0;
    HGLOBAL block = T42(T42GetFontData)(handle);
    Expect(block && T42(T42GlobalSize)(block) > 1000, std::string("no program for ") + face);
    if (block) {
        Expect(std::strncmp(static_cast<const char*>(T42(T42GlobalLock)(block)), "%!PS-TrueTypeFont", 17) == 0,
               "the program's first line");
        T42(T42GlobalUnlock)(block);
        Expect(T42(T42GlobalFree)(block) == nullptr, "T42GlobalFree");
    }
    char name[128];
    Expect(T42(T42GetPSFontName)(handle, name, sizeof name) == 0, std::string("no name for ") + face);
    std::vector<char> out(4096);
    const char* text = "Caf\xe9 (au lait) \\ \x80\xff\x92v";
    Expect(T42(T42TextOut)(handle, text, out.data(), static_cast<int>(out.size())) == 0, "drawing code");
    Expect(T42(T42TextOut)(handle, text, out.data(), 8) == T42_ERROR_BUFFER_TOO_SMALL, "cut drawing code");
    return handle;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "unload") != 0 && std::strcmp(argv[2], "exit") != 0)) {
        std::fprintf(stderr, "usage: unload_check LIBRARY unload|exit\n");
        return 2;
    }
    // The host's own fontconfig: the configuration it loads stays the
    // host's, and FcFini below frees it, so LeakSanitizer needs no
    // suppressions here.
    FcInit();
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "unload_check: %s\n", dlerror());
        return 1;
    }
    std::vector<int> handles;
    for (const char* face : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "DejaVu Sans Bold"})
        for (int charSet : {ANSI_CHARSET, RUSSIAN_CHARSET, SYMBOL_CHARSET})
            if (int handle = Use(face, charSet))
                handles.push_back(handle);
    Expect(handles.size() >= 3, "fewer than three DejaVu faces could be converted");
    if (handles.empty())
        return 1;

    // Delete every other font; reconvert one; delete one twice.
    for (std::size_t i = 0; i < handles.size(); i += 2)
        Expect(T42(T42DeleteTrueTypeFont)(handles[i]) == 0, "delete");
    Expect(T42(T42DeleteTrueTypeFont)(handles[0]) == T42_ERROR_BAD_HANDLE, "a second delete");
    int again = Use("DejaVu Sans", ANSI_CHARSET);
    Expect(again != 0 && again != handles[0], "the reconversion got the deleted handle");
    Expect(T42(T42GetFontData)(handles[0]) == nullptr, "data of a deleted font");

    if (std::strcmp(argv[2], "unload") == 0) {
        Expect(dlclose(library) == 0, "dlclose");
        Expect(dlopen(argv[1], RTLD_NOW | RTLD_NOLOAD) == nullptr,
               "the library is still loaded after dlclose, so its leaks would not show");
    }
    FcFini();
    std::printf("unload_check %s: %zu fonts converted, %s\n", argv[2], handles.size() + 1, failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
