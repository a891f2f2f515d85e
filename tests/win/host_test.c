/* A Windows host of Quelin.dll, run under Wine by both builds:
     host_test DLL TEST_DATA
   It loads the DLL as a printing application does, lists test fonts in the
   registry the way installers do (a full path, a bare file name in the
   Fonts folder, a collection whose value names its faces with " & "),
   converts them, compares the programs and the text code with what the
   Linux build wrote into TEST_DATA/reference (scripts/windows/reference.sh),
   and unloads the DLL with fonts still converted. How the lookup reads
   names and data, and what each export answers to bad arguments, the unit
   tests and the stack test check. */
#include "quelin.h"
#include "sample_text.h"

#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* const kFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
static const char* const kDejaVuSerif = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSerif.ttf";
static const char* const kCopiedFile = "QuelinCopiedSerif.ttf";

static int passed, failed;
static char dllPath[MAX_PATH], dataDir[MAX_PATH], pairPath[MAX_PATH], copiedPath[MAX_PATH];
static HMODULE module;
static int(WINAPI* makeFont)(const LOGFONTA*);
static HGLOBAL(WINAPI* getFontData)(int);
static int(WINAPI* textOut)(int, const char*, char*, int);

#define CHECK(condition) check((condition) != 0, __LINE__, #condition)

static int check(int ok, int line, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAIL host_test.c:%d: %s\n", line, what);
    }
    return ok;
}

/* A host path as Wine sees it: the host's root is drive Z:. */
static void wine_path(char* out, size_t size, const char* path) {
    snprintf(out, size, "%s%s", path[0] == '/' ? "Z:" : "", path);
    for (char* c = out; *c; ++c)
        if (*c == '/')
            *c = '\\';
}

static char* read_file(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    char* bytes = NULL;
    long length;
    if (!file)
        return NULL;
    fseek(file, 0, SEEK_END);
    length = ftell(file);
    fseek(file, 0, SEEK_SET);
    if (length >= 0 && (bytes = malloc((size_t)length + 1)) != NULL &&
        fread(bytes, 1, (size_t)length, file) == (size_t)length) {
        bytes[length] = 0;
        *size = (size_t)length;
    } else {
        free(bytes);
        bytes = NULL;
    }
    fclose(file);
    return bytes;
}

/* The request reference_dump.c makes too. */
static int make_font(const char* face) {
    LOGFONTA request;
    memset(&request, 0, sizeof request);
    request.lfHeight = -12;
    request.lfWeight = FW_NORMAL;
    request.lfCharSet = ANSI_CHARSET;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    return makeFont(&request);
}

/* Sets (or, with data NULL, removes) the test fonts' values. */
static int set_font_values(int set) {
    const char* const values[][2] = {
        {"Quelin Copied Serif (TrueType)", kCopiedFile},
        {"Quelin Full Path (TrueType)", "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf"},
        {"Quelin Pair Sans & Quelin Pair Serif (TrueType)", pairPath},
    };
    HKEY key;
    size_t i;
    int ok = 1;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return 0;
    for (i = 0; i < sizeof values / sizeof values[0]; ++i) {
        if (set)
            ok &= RegSetValueExA(key, values[i][0], 0, REG_SZ, (const BYTE*)values[i][1],
                                 (DWORD)strlen(values[i][1]) + 1) == ERROR_SUCCESS;
        else
            RegDeleteValueA(key, values[i][0]);
    }
    RegCloseKey(key);
    return set ? ok && CopyFileA(kDejaVuSerif, copiedPath, FALSE) : DeleteFileA(copiedPath);
}

static int load_quelin(void) {
    module = LoadLibraryA(dllPath);
    /* Function pointers of one type to another, through FARPROC. */
    makeFont = (int(WINAPI*)(const LOGFONTA*))(void (*)(void))GetProcAddress(module, "T42MakeTrueTypeFont");
    getFontData = (HGLOBAL(WINAPI*)(int))(void (*)(void))GetProcAddress(module, "T42GetFontData");
    textOut = (int(WINAPI*)(int, const char*, char*, int))(void (*)(void))GetProcAddress(module, "T42TextOut");
    return CHECK(module && makeFont && getFontData && textOut);
}

/* Removes the "%%Creation Date:" line, the one line that depends on the
   platform and the time, from a program with a zero after it; the size
   without it, or 0 if it has none. */
static size_t without_date_line(char* program, size_t size) {
    char* line = strstr(program, "\n%%Creation Date: (");
    char* end = line ? strchr(line + 1, '\n') : NULL;
    if (!end)
        return 0;
    memmove(line, end, size + 1 - (size_t)(end - program));
    return size - (size_t)(end - line);
}

static void compare_with_reference(const char* face, const char* reference) {
    char path[MAX_PATH];
    size_t expectedSize = 0, size;
    char *expected, *program, *text;
    int handle = make_font(face);
    HGLOBAL block = getFontData(handle);

    printf("  %s (handle %d) against reference/%s\n", face, handle, reference);
    snprintf(path, sizeof path, "%s\\reference\\%s.t42", dataDir, reference);
    expected = read_file(path, &expectedSize);
    size = block ? GlobalSize(block) : 0;
    program = malloc(size + 1);
    if (check(handle >= 1000 && block && program && expected, __LINE__, path)) {
        memcpy(program, GlobalLock(block), size);
        GlobalUnlock(block);
        program[size] = 0;
        size = without_date_line(program, size);
        expectedSize = without_date_line(expected, expectedSize);
        CHECK(size > 0 && size == expectedSize && memcmp(program, expected, size) == 0);
    }
    GlobalFree(block);
    free(program);
    free(expected);

    snprintf(path, sizeof path, "%s\\reference\\%s.txt", dataDir, reference);
    expected = read_file(path, &expectedSize);
    text = malloc(QUELIN_SAMPLE_OUT_SIZE);
    if (check(expected && text, __LINE__, path))
        CHECK(textOut(handle, QUELIN_SAMPLE_TEXT, text, QUELIN_SAMPLE_OUT_SIZE) == T42_OK &&
              strcmp(text, expected) == 0);
    free(text);
    free(expected);
}

/* How many views of files whose name ends in `suffix` the process has
   mapped: each converted face keeps its font file mapped. */
static int mapped_views_of(const char* suffix) {
    MEMORY_BASIC_INFORMATION region;
    const char* address = NULL;
    char name[MAX_PATH];
    size_t suffixLength = strlen(suffix);
    int views = 0;
    while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_MAPPED && region.BaseAddress == region.AllocationBase) {
            DWORD length = GetMappedFileNameA(GetCurrentProcess(), region.BaseAddress, name, sizeof name);
            if (length >= suffixLength && _stricmp(name + length - suffixLength, suffix) == 0)
                ++views;
        }
        address = (const char*)region.BaseAddress + region.RegionSize;
    }
    return views;
}

int main(int argc, char** argv) {
    char windows[MAX_PATH];
    if (argc != 3) {
        fprintf(stderr, "usage: host_test DLL TEST_DATA\n");
        return 2;
    }
    wine_path(dllPath, sizeof dllPath, argv[1]);
    wine_path(dataDir, sizeof dataDir, argv[2]);
    snprintf(pairPath, sizeof pairPath, "%s\\pair.ttc", dataDir);
    GetWindowsDirectoryA(windows, sizeof windows);
    snprintf(copiedPath, sizeof copiedPath, "%s\\Fonts\\%s", windows, kCopiedFile);
    setvbuf(stdout, NULL, _IONBF, 0);

    set_font_values(0); /* whatever an earlier run left */
    if (CHECK(set_font_values(1)) && load_quelin()) {
        compare_with_reference("Quelin Full Path", "DejaVuSans");
        compare_with_reference("Quelin Copied Serif", "DejaVuSerif");
        compare_with_reference("Quelin Pair Serif", "QuelinPairSerif");
        compare_with_reference("Quelin Pair Sans", "QuelinPairSans");

        /* Font files are read whole, never left mapped, so nothing done to
           them later can reach the host. Loaded again after an unload, the
           DLL starts a new table, and this process then exits with a font
           converted. */
        CHECK(mapped_views_of("\\pair.ttc") == 0);
        CHECK(FreeLibrary(module) && GetModuleHandleA("Quelin.dll") == NULL);
        CHECK(load_quelin() && make_font("Quelin Pair Sans") == 1000);
    }
    set_font_values(0);
    printf("host_test: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
