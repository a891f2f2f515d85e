/* A Windows host of Quelin.dll, run under Wine by the x86_64 build:
     host_test DLL TEST_DATA
   It loads the DLL as a printing application does, resolves each export by
   name and by ordinal, lists test fonts in the registry the way installers
   do (a full path, a bare file name in the Fonts folder, a collection whose
   value names its faces with " & "), converts them, compares the programs
   and the text code with what the Linux build wrote into
   TEST_DATA/reference (scripts/windows/reference.sh), and unloads the DLL
   with fonts still converted. */
#include "quelin.h"
#include "sample_text.h"

#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef int(WINAPI* MakeFontFunction)(const LOGFONTA*);
typedef HGLOBAL(WINAPI* GetFontDataFunction)(int);
typedef int(WINAPI* GetPSFontNameFunction)(int, char*, int);
typedef int(WINAPI* TextOutFunction)(int, const char*, char*, int);
typedef int(WINAPI* DeleteFontFunction)(int);

typedef struct {
    HMODULE module;
    MakeFontFunction make;
    GetFontDataFunction getFontData;
    GetPSFontNameFunction getPSFontName;
    TextOutFunction textOut;
    DeleteFontFunction deleteFont;
} Quelin;

static const char* const kFontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
static const char* const kDejaVuSans = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";
static const char* const kDejaVuSerif = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSerif.ttf";
static const char* const kCopiedFile = "QuelinCopiedSerif.ttf";

static int passed, failed;
static char dllPath[MAX_PATH], dataDir[MAX_PATH];

#define CHECK(condition) check((condition) != 0, __LINE__, #condition)
#define CHECK_INT(expected, actual) check_int((expected), (actual), __LINE__, #actual)

static int check(int ok, int line, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAIL host_test.c:%d: %s\n", line, what);
    }
    return ok;
}

static int check_int(long long expected, long long actual, int line, const char* what) {
    if (expected == actual)
        return check(1, line, what);
    printf("FAIL host_test.c:%d: %s is %lld, expected %lld\n", line, what, actual, expected);
    ++failed;
    return 0;
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
    char* bytes;
    long length;
    if (!file)
        return NULL;
    fseek(file, 0, SEEK_END);
    length = ftell(file);
    fseek(file, 0, SEEK_SET);
    bytes = malloc((size_t)length + 1);
    if (bytes && fread(bytes, 1, (size_t)length, file) != (size_t)length) {
        free(bytes);
        bytes = NULL;
    }
    fclose(file);
    if (bytes) {
        bytes[length] = 0;
        *size = (size_t)length;
    }
    return bytes;
}

/* The request every conversion here makes, as reference_dump.c does. */
static LOGFONTA request_for(const char* face) {
    LOGFONTA request;
    memset(&request, 0, sizeof request);
    request.lfHeight = -12;
    request.lfWeight = FW_NORMAL;
    request.lfCharSet = ANSI_CHARSET;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    return request;
}

static int make_font(const Quelin* quelin, const char* face) {
    LOGFONTA request = request_for(face);
    return quelin->make(&request);
}

/* ------------------------------------------------------------ registry */

typedef struct {
    const char* name;
    const char* data;
    int withoutZero; /* stored as REG_BINARY without a terminating zero */
} FontValue;

static char pairPath[MAX_PATH];
static char longData[1500];

/* Sorted by name, so that whether the registry enumerates in name order or
   in the order values were set, the values come in this order. The long
   value stops every lookup that reaches it, which must hide the one after. */
static FontValue values[] = {
    {"Quelin Copied Serif (TrueType)", kCopiedFile, 0},
    {"Quelin Full Path (TrueType)", kDejaVuSans, 0},
    {"Quelin Missing File (TrueType)", "QuelinNoSuchFile.ttf", 0},
    {"Quelin Pair Sans & Quelin Pair Serif (TrueType)", pairPath, 0},
    {"Quelin Plain Name", kDejaVuSans, 0},
    {"Quelin Unterminated A (TrueType)", kDejaVuSerif, 0},
    {"Quelin Unterminated B (TrueType)", kCopiedFile, 1},
    {"Quelin Zz Long (TrueType)", longData, 0},
    {"Quelin Zz Unreachable (TrueType)", kDejaVuSans, 0},
};
#define VALUE_COUNT (sizeof values / sizeof values[0])

static void copied_font_path(char* path, size_t size) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    snprintf(path, size, "%s\\Fonts\\%s", windows, kCopiedFile);
}

static void remove_font_values(void) {
    HKEY key;
    size_t i;
    char copied[MAX_PATH];
    copied_font_path(copied, sizeof copied);
    DeleteFileA(copied);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (i = 0; i < VALUE_COUNT; ++i)
        RegDeleteValueA(key, values[i].name);
    RegCloseKey(key);
}

static int add_font_values(void) {
    HKEY key;
    size_t i;
    char copied[MAX_PATH];
    int ok = 1;

    remove_font_values(); /* whatever an earlier run left */
    copied_font_path(copied, sizeof copied);
    if (!CHECK(CopyFileA(kDejaVuSerif, copied, FALSE)))
        return 0;
    memset(longData, 'x', sizeof longData - 1);
    memcpy(longData, "Z:\\", 3);
    if (!CHECK_INT(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, NULL, 0,
                                                  KEY_SET_VALUE, NULL, &key, NULL)))
        return 0;
    for (i = 0; i < VALUE_COUNT; ++i) {
        /* The registry terminates string types itself, but not binary data. */
        DWORD size = (DWORD)strlen(values[i].data) + (values[i].withoutZero ? 0 : 1);
        DWORD type = values[i].withoutZero ? REG_BINARY : REG_SZ;
        ok &= CHECK_INT(ERROR_SUCCESS, RegSetValueExA(key, values[i].name, 0, type,
                                                      (const BYTE*)values[i].data, size));
    }
    RegCloseKey(key);
    return ok;
}

/* ------------------------------------------------------------- exports */

struct ExportSpec {
    const char* name;
    int ordinal;
    const char* decorated; /* the symbol of the 32-bit build, never exported */
};

static const struct ExportSpec kExports[] = {
    {"T42DeleteTrueTypeFont", 1, "T42DeleteTrueTypeFont@4"},
    {"T42GetFontData", 2, "T42GetFontData@4"},
    {"T42GetPSFontName", 3, "T42GetPSFontName@12"},
    {"T42MakeTrueTypeFont", 4, "T42MakeTrueTypeFont@4"},
    {"T42TextOut", 5, "T42TextOut@16"},
};

static FARPROC export_by_ordinal(HMODULE module, int ordinal) {
    return GetProcAddress(module, (LPCSTR)(ULONG_PTR)ordinal);
}

/* Loads the DLL and resolves its exports; each name and its ordinal must
   give the same function. */
static int load_quelin(Quelin* quelin) {
    FARPROC functions[5];
    size_t i;
    memset(quelin, 0, sizeof *quelin);
    quelin->module = LoadLibraryA(dllPath);
    if (!CHECK(quelin->module != NULL)) {
        printf("  LoadLibraryA(%s) failed: error %lu\n", dllPath, (unsigned long)GetLastError());
        return 0;
    }
    for (i = 0; i < 5; ++i) {
        FARPROC byName = GetProcAddress(quelin->module, kExports[i].name);
        FARPROC byOrdinal = export_by_ordinal(quelin->module, kExports[i].ordinal);
        if (!check(byName != NULL && byName == byOrdinal, __LINE__, kExports[i].name))
            return 0;
        CHECK(GetProcAddress(quelin->module, kExports[i].decorated) == NULL);
        functions[i] = byName;
    }
    CHECK(export_by_ordinal(quelin->module, 6) == NULL);
    /* Function pointers of one type to another, through FARPROC. */
    quelin->deleteFont = (DeleteFontFunction)(void (*)(void))functions[0];
    quelin->getFontData = (GetFontDataFunction)(void (*)(void))functions[1];
    quelin->getPSFontName = (GetPSFontNameFunction)(void (*)(void))functions[2];
    quelin->make = (MakeFontFunction)(void (*)(void))functions[3];
    quelin->textOut = (TextOutFunction)(void (*)(void))functions[4];
    return 1;
}

/* --------------------------------------------------------- conversions */

static void test_handles_and_lookup(const Quelin* quelin) {
    LOGFONTA request;

    /* One handle per distinct request, counted from 1000; a request that
       differs only in height or quality finds the earlier conversion. */
    CHECK_INT(1000, make_font(quelin, "Quelin Full Path"));
    CHECK_INT(1000, make_font(quelin, "Quelin Full Path"));
    request = request_for("Quelin Full Path");
    request.lfHeight = -40;
    request.lfQuality = 5;
    CHECK_INT(1000, quelin->make(&request));
    CHECK_INT(1001, make_font(quelin, "Quelin Copied Serif"));
    /* Faces of a collection, by their position in the value name. */
    CHECK_INT(1002, make_font(quelin, "Quelin Pair Serif"));
    CHECK_INT(1003, make_font(quelin, "Quelin Pair Sans"));
    /* Data stored without its zero still names the file, though the
       buffer still holds the longer data of the value before. */
    CHECK_INT(1004, make_font(quelin, "Quelin Unterminated B"));
    /* Face names match without regard to case, as a new request. */
    CHECK_INT(1005, make_font(quelin, "QUELIN FULL PATH"));

    /* Lookups that find nothing, or a file that cannot be opened. */
    CHECK_INT(T42_ERROR_NO_SUCH_FONT, make_font(quelin, "Quelin Plain Name"));
    CHECK_INT(T42_ERROR_NO_SUCH_FONT, make_font(quelin, "Quelin Zz Unreachable"));
    CHECK_INT(T42_ERROR_NO_SUCH_FONT, make_font(quelin, "Quelin Pair"));
    CHECK_INT(T42_ERROR_BAD_FONT, make_font(quelin, "Quelin Missing File"));
}

/* The faces each handle converted, by PostScript name; the cut name and
   text show the arguments cross the __stdcall boundary in order. */
static void test_names(const Quelin* quelin) {
    char name[64];
    char out[16];
    static const struct {
        int handle;
        const char* name;
    } kNames[] = {{1000, "DejaVuSans"},      {1001, "DejaVuSerif"}, {1002, "QuelinPairSerif"},
                  {1003, "QuelinPairSans"}, {1004, "DejaVuSerif"}, {1005, "DejaVuSans"}};
    size_t i;

    for (i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        memset(name, 0, sizeof name);
        CHECK_INT(T42_OK, quelin->getPSFontName(kNames[i].handle, name, sizeof name));
        check(strcmp(name, kNames[i].name) == 0, __LINE__, kNames[i].name);
    }
    memset(name, '#', sizeof name);
    CHECK_INT(T42_ERROR_BUFFER_TOO_SMALL, quelin->getPSFontName(1000, name, 4));
    CHECK(strcmp(name, "Dej") == 0);
    memset(out, '#', sizeof out);
    CHECK_INT(T42_ERROR_BUFFER_TOO_SMALL, quelin->textOut(1000, "Hello, World", out, sizeof out));
    CHECK(memchr(out, 0, sizeof out) != NULL);
    CHECK_INT(T42_ERROR_BAD_HANDLE, quelin->deleteFont(999));
}

/* Where the "%%Creation Date:" line starts and how long it is; the rest of
   the program must not depend on the platform. */
static const char* creation_date_line(const char* program, size_t size, size_t* length) {
    static const char kPrefix[] = "%%Creation Date: (";
    const char* line = program;
    while (line < program + size) {
        const char* end = memchr(line, '\n', (size_t)(program + size - line));
        if (!end)
            return NULL;
        if ((size_t)(end - line) >= sizeof kPrefix - 1 && memcmp(line, kPrefix, sizeof kPrefix - 1) == 0) {
            *length = (size_t)(end - line) + 1;
            return line;
        }
        line = end + 1;
    }
    return NULL;
}

static int contains(const char* bytes, size_t size, const char* text) {
    size_t length = strlen(text), i;
    for (i = 0; i + length <= size; ++i)
        if (memcmp(bytes + i, text, length) == 0)
            return 1;
    return 0;
}

static void compare_with_reference(const Quelin* quelin, int handle, const char* reference) {
    char path[MAX_PATH];
    size_t expectedSize = 0, dateLength = 0, expectedDateLength = 0;
    char *expected, *text;
    const char *program, *date, *expectedDate;
    HGLOBAL block;
    SIZE_T size;
    char year[8];
    time_t now = time(NULL);

    printf("  comparing handle %d with %s\n", handle, reference);
    snprintf(path, sizeof path, "%s\\reference\\%s.t42", dataDir, reference);
    expected = read_file(path, &expectedSize);
    if (!check(expected != NULL, __LINE__, path))
        return;

    block = quelin->getFontData(handle);
    program = block ? T42GlobalLock(block) : NULL;
    size = block ? T42GlobalSize(block) : 0;
    if (CHECK(program != NULL && size > 0)) {
        date = creation_date_line(program, size, &dateLength);
        expectedDate = creation_date_line(expected, expectedSize, &expectedDateLength);
        if (CHECK(date != NULL && expectedDate != NULL)) {
            /* The same bytes before and after the date line. */
            CHECK(date - program == expectedDate - expected);
            CHECK_INT((long long)(expectedSize - expectedDateLength), (long long)(size - dateLength));
            CHECK(memcmp(program, expected, (size_t)(date - program)) == 0);
            CHECK(size - dateLength == expectedSize - expectedDateLength &&
                  memcmp(date + dateLength, expectedDate + expectedDateLength, size - (size_t)(date - program) - dateLength) == 0);
            /* The Windows date text: the user's locale formats today. */
            strftime(year, sizeof year, "%Y", localtime(&now));
            CHECK(!contains(date, dateLength, "Invalid DateTime"));
            CHECK(contains(date, dateLength, year));
            printf("  %.*s", (int)dateLength, date);
        }
        T42GlobalUnlock(block);
    }
    CHECK(block == NULL || T42GlobalFree(block) == NULL);
    free(expected);

    snprintf(path, sizeof path, "%s\\reference\\%s.txt", dataDir, reference);
    expected = read_file(path, &expectedSize);
    text = malloc(QUELIN_SAMPLE_OUT_SIZE);
    if (check(expected != NULL && text != NULL, __LINE__, path)) {
        CHECK_INT(T42_OK, quelin->textOut(handle, QUELIN_SAMPLE_TEXT, text, QUELIN_SAMPLE_OUT_SIZE));
        CHECK(strcmp(text, expected) == 0);
    }
    free(text);
    free(expected);
}

static void test_programs(const Quelin* quelin) {
    compare_with_reference(quelin, 1000, "DejaVuSans");
    compare_with_reference(quelin, 1001, "DejaVuSerif");
    compare_with_reference(quelin, 1002, "QuelinPairSerif");
    compare_with_reference(quelin, 1003, "QuelinPairSans");
}

/* ------------------------------------------------------------ unloading */

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

/* Unloading releases every font still converted, and a new load starts a
   new table. */
static void test_unload(Quelin* quelin) {
    /* Handles 1002 and 1003 are the two faces of the collection. */
    CHECK_INT(2, mapped_views_of("\\pair.ttc"));
    CHECK(FreeLibrary(quelin->module));
    CHECK(GetModuleHandleA("Quelin.dll") == NULL);
    CHECK_INT(0, mapped_views_of("\\pair.ttc"));

    /* Loaded again, the DLL starts from handle 1000, and this process
       then exits with that font still converted. */
    if (load_quelin(quelin))
        CHECK_INT(1000, make_font(quelin, "Quelin Pair Sans"));
}

int main(int argc, char** argv) {
    Quelin quelin;
    if (argc != 3) {
        fprintf(stderr, "usage: host_test DLL TEST_DATA\n");
        return 2;
    }
    wine_path(dllPath, sizeof dllPath, argv[1]);
    wine_path(dataDir, sizeof dataDir, argv[2]);
    snprintf(pairPath, sizeof pairPath, "%s\\pair.ttc", dataDir);
    setvbuf(stdout, NULL, _IONBF, 0);

    if (add_font_values() && load_quelin(&quelin)) {
        test_handles_and_lookup(&quelin);
        test_names(&quelin);
        test_programs(&quelin);
        test_unload(&quelin);
    }
    remove_font_values();
    printf("host_test: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
