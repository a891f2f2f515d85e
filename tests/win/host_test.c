/* host_test DLL TEST_DATA, run under Wine by both builds: loads the DLL as a printing application
   does, lists test fonts in the registry the way installers do (a full path, a bare file name in the
   Fonts folder, a collection whose value names its faces with " & "), converts them, compares the
   programs and the text code with what the Linux build wrote into TEST_DATA/reference
   (scripts/windows/reference.sh), and unloads the DLL with fonts still converted. */
#include "quelin.h"
#include "sample_text.h"

#include <stdio.h>
#include <stdlib.h>

static const char* const kFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
static const char* const kCopiedFile = "QuelinCopiedSerif.ttf";

static int passed, failed;
static char dataDir[MAX_PATH], pairPath[MAX_PATH], copiedPath[MAX_PATH], sample[256];
static HMODULE module;
static int(WINAPI* makeFont)(const LOGFONTA*);
static HGLOBAL(WINAPI* getFontData)(int);
static int(WINAPI* textOut)(int, const char*, char*, int);

#define CHECK(condition) check((condition) != 0, __LINE__, #condition)

static int check(int ok, int line, const char* what) {
    ok ? ++passed : ++failed;
    if (!ok)
        printf("FAIL host_test.c:%d: %s\n", line, what);
    return ok;
}

/* The whole file and a zero after it; NULL if it cannot be read. */
static char* read_file(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    char* bytes = file && fseek(file, 0, SEEK_END) == 0 ? malloc((size_t)ftell(file) + 1) : NULL;
    if (bytes) {
        *size = (size_t)ftell(file);
        rewind(file);
        bytes[fread(bytes, 1, *size, file)] = 0;
    }
    if (file)
        fclose(file);
    return bytes;
}

/* A host path as Wine sees it: the host's root is drive Z:. */
static void wine_path(char* out, const char* path) {
    snprintf(out, MAX_PATH, "%s%s", path[0] == '/' ? "Z:" : "", path);
    for (; *out; ++out)
        *out = *out == '/' ? '\\' : *out;
}

static int make_font(const char* face) {
    LOGFONTA request = sample_request(face);
    return makeFont(&request);
}

/* Sets, or removes, the test fonts' values and the copy in the Fonts folder. */
static int set_font_values(int set) {
    const char* const values[][2] = {
        {"Quelin Copied Serif (TrueType)", kCopiedFile},
        {"Quelin Full Path (TrueType)", "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf"},
        {"Quelin Pair Sans & Quelin Pair Serif (TrueType)", pairPath},
    };
    HKEY key = NULL;
    int i, ok = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) == 0;
    for (i = 0; ok && i < 3; ++i)
        ok = set ? RegSetValueExA(key, values[i][0], 0, REG_SZ, (const BYTE*)values[i][1],
                                  (DWORD)strlen(values[i][1]) + 1) == ERROR_SUCCESS
                 : (RegDeleteValueA(key, values[i][0]), 1);
    RegCloseKey(key);
    if (!set)
        return DeleteFileA(copiedPath);
    return ok && CopyFileA("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSerif.ttf", copiedPath, FALSE);
}

static int load_quelin(const char* path) {
    module = LoadLibraryA(path);
    /* Function pointers of one type to another, through FARPROC. */
    makeFont = (int(WINAPI*)(const LOGFONTA*))(void (*)(void))GetProcAddress(module, "T42MakeTrueTypeFont");
    getFontData = (HGLOBAL(WINAPI*)(int))(void (*)(void))GetProcAddress(module, "T42GetFontData");
    textOut = (int(WINAPI*)(int, const char*, char*, int))(void (*)(void))GetProcAddress(module, "T42TextOut");
    return CHECK(module && makeFont && getFontData && textOut);
}

/* Removes the "%%Creation Date:" line, the one line that depends on the platform and the time, from a
   program with a zero after it; the size without it, or 0 if it has none or it is not a date. */
static size_t without_date_line(char* program, size_t size) {
    char* line = strstr(program, "\n%%Creation Date: (");
    char* end = line ? strchr(line + 1, '\n') : NULL;
    if (!end || strncmp(line + 19, "Invalid", 7) == 0)
        return 0;
    memmove(line, end, size + 1 - (size_t)(end - program));
    return size - (size_t)(end - line);
}

static void compare_with_reference(const char* face, const char* reference) {
    char path[MAX_PATH], *expected, *program = NULL, text[QUELIN_SAMPLE_OUT_SIZE];
    size_t expectedSize = 0, size;
    int handle = make_font(face);
    HGLOBAL block = getFontData(handle);

    printf("  %s (handle %d) against reference/%s\n", face, handle, reference);
    snprintf(path, sizeof path, "%s\\reference\\%s.t42", dataDir, reference);
    expected = read_file(path, &expectedSize);
    size = block ? GlobalSize(block) : 0;
    if (check(handle >= 1000 && block && expected && (program = malloc(size + 1)), __LINE__, path)) {
        memcpy(program, GlobalLock(block), size);
        GlobalUnlock(block);
        program[size] = 0;
        size = without_date_line(program, size);
        CHECK(size > 0 && size == without_date_line(expected, expectedSize) && memcmp(program, expected, size) == 0);
    }
    GlobalFree(block);
    free(program);
    free(expected);

    snprintf(path, sizeof path, "%s\\reference\\%s.txt", dataDir, reference);
    if (check((expected = read_file(path, &expectedSize)) != NULL, __LINE__, path))
        CHECK(textOut(handle, sample, text, sizeof text) == T42_OK && strcmp(text, expected) == 0);
    free(expected);
}

int main(int argc, char** argv) {
    char dll[MAX_PATH], windows[MAX_PATH];
    if (argc != 3)
        return 2;
    wine_path(dll, argv[1]);
    wine_path(dataDir, argv[2]);
    snprintf(pairPath, sizeof pairPath, "%s\\pair.ttc", dataDir);
    GetWindowsDirectoryA(windows, sizeof windows);
    snprintf(copiedPath, sizeof copiedPath, "%s\\Fonts\\%s", windows, kCopiedFile);
    setvbuf(stdout, NULL, _IONBF, 0);
    sample_text(sample);

    set_font_values(0); /* whatever an earlier run left */
    if (CHECK(set_font_values(1)) && load_quelin(dll)) {
        compare_with_reference("Quelin Full Path", "DejaVuSans");
        compare_with_reference("Quelin Copied Serif", "DejaVuSerif");
        compare_with_reference("Quelin Pair Serif", "QuelinPairSerif");
        compare_with_reference("Quelin Pair Sans", "QuelinPairSans");
        /* Loaded again after an unload, the DLL starts a new table, and this process then exits with a
           font converted. */
        CHECK(FreeLibrary(module) && GetModuleHandleA("Quelin.dll") == NULL);
        CHECK(load_quelin(dll) && make_font("Quelin Pair Sans") == 1000);
    }
    set_font_values(0);
    printf("host_test: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
