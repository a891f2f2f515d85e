/* The calling convention of the 32-bit Quelin.dll, executed:
     stack_test DLL TEST_DATA
   Calls each export through the pointers GetProcAddress gives for its name
   and for its ordinal, 1000 times on every result path, by way of a thunk
   that records ESP before it pushes the arguments and after the call
   returns. A __stdcall function pops exactly its arguments, so the two must
   be equal; one that pops the wrong number of bytes moves ESP. */
#include "quelin.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

/* Pushes args[count - 1] .. args[0], calls `function` and returns EAX, with
   ESP before the pushes in stackBefore and after the return in stackAfter.
   ESP is then restored from EBP, so a wrong pop is measured, not fatal. */
intptr_t stack_call(FARPROC function, int count, const intptr_t* args);
uintptr_t stackBefore, stackAfter;
__asm__(".text\n"
        ".globl _stack_call\n"
        "_stack_call:\n"
        "  pushl %ebp\n"
        "  movl %esp, %ebp\n"
        "  movl 12(%ebp), %ecx\n"
        "  movl 16(%ebp), %edx\n"
        "  movl %esp, _stackBefore\n"
        "1:jecxz 2f\n"
        "  pushl -4(%edx,%ecx,4)\n"
        "  decl %ecx\n"
        "  jmp 1b\n"
        "2:call *8(%ebp)\n"
        "  movl %esp, _stackAfter\n"
        "  movl %ebp, %esp\n"
        "  popl %ebp\n"
        "  ret\n");

enum { kDelete, kGetFontData, kGetPSFontName, kMake, kTextOut }; /* ordinal - 1 */
static const char* const kNames[] = {"T42DeleteTrueTypeFont", "T42GetFontData", "T42GetPSFontName",
                                     "T42MakeTrueTypeFont", "T42TextOut"};
static const int kArgumentCounts[] = {1, 1, 3, 1, 4}; /* as quelin.h declares them */
enum { kRepeats = 1000 };

static FARPROC byName[5], byOrdinal[5];
static long calls, failed;
static int paths;

static intptr_t call(int function, intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
    const intptr_t args[4] = {a, b, c, d};
    int viaOrdinal = calls++ & 1;
    intptr_t result = stack_call((viaOrdinal ? byOrdinal : byName)[function], kArgumentCounts[function], args);
    if (stackAfter != stackBefore && failed++ < 10)
        printf("FAIL %s (by %s): ESP moved by %ld bytes\n", kNames[function], viaOrdinal ? "ordinal" : "name",
               (long)(stackAfter - stackBefore));
    return result;
}

/* Calls `function` kRepeats times with the same arguments; each must give
   `expected`. */
static void path(const char* what, int function, intptr_t expected, intptr_t a, intptr_t b, intptr_t c,
                 intptr_t d) {
    int i, wrong = 0;
    ++paths;
    for (i = 0; i < kRepeats; ++i)
        wrong += call(function, a, b, c, d) != expected;
    if (wrong) {
        failed += wrong;
        printf("FAIL %s: %s gave other than %ld %d times\n", what, kNames[function], (long)expected, wrong);
    }
}

static LOGFONTA request_for(const char* face) {
    LOGFONTA request;
    memset(&request, 0, sizeof request);
    request.lfWeight = FW_NORMAL;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    return request;
}

static int __cdecl pops_nothing(int a) { return a; }
static int __stdcall pops_four(int a) { return a; }

int main(int argc, char** argv) {
    static const char kKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    LOGFONTA few = request_for("Quelin Few"), bold = request_for("Quelin Few"),
             unknown = request_for("Quelin No Such Face"), missing = request_for("Quelin Stack Missing");
    const intptr_t one = 42;
    char data[MAX_PATH], *c, name[64], out[256];
    HMODULE module;
    HKEY key;
    int i, handle, wrong = 0;

    bold.lfWeight = FW_BOLD; /* another request, so another conversion */

    if (argc != 3) {
        fprintf(stderr, "usage: stack_test DLL TEST_DATA\n");
        return 2;
    }
    /* The thunk sees both a function that leaves its argument on the stack
       and one that pops it. */
    if (stack_call((FARPROC)pops_nothing, 1, &one) != 42 || stackBefore - stackAfter != 4 ||
        stack_call((FARPROC)pops_four, 1, &one) != 42 || stackBefore != stackAfter) {
        printf("FAIL the thunk does not measure the stack\n");
        return 1;
    }

    /* The few-glyph face, and a face whose file does not exist. */
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return 1;
    snprintf(data, sizeof data, "Z:%s/few.ttf", argv[2]);
    for (c = data; *c; ++c)
        *c = *c == '/' ? '\\' : *c;
    RegSetValueExA(key, "Quelin Few (TrueType)", 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);
    strcpy(strrchr(data, '\\'), "\\no-such-file.ttf");
    RegSetValueExA(key, "Quelin Stack Missing (TrueType)", 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);

    module = LoadLibraryA(argv[1]);
    for (i = 0; module && i < 5; ++i) {
        byName[i] = GetProcAddress(module, kNames[i]);
        byOrdinal[i] = GetProcAddress(module, (LPCSTR)(ULONG_PTR)(i + 1));
        if (!byName[i] || !byOrdinal[i])
            module = NULL;
    }
    handle = module ? (int)call(kMake, (intptr_t)&few, 0, 0, 0) : -1;
    if (handle < 1000) {
        printf("FAIL loading %s and converting Quelin Few: %d\n", argv[1], handle);
        return 1;
    }

    path("converted", kMake, handle, (intptr_t)&few, 0, 0, 0);
    path("no such face", kMake, T42_ERROR_NO_SUCH_FONT, (intptr_t)&unknown, 0, 0, 0);
    path("missing file", kMake, T42_ERROR_BAD_FONT, (intptr_t)&missing, 0, 0, 0);
    path("null request", kMake, T42_ERROR_REQUEST, 0, 0, 0, 0);
    path("unknown handle", kGetFontData, 0, 999, 0, 0, 0);
    path("name", kGetPSFontName, T42_OK, handle, (intptr_t)name, sizeof name, 0);
    path("name cut", kGetPSFontName, T42_ERROR_BUFFER_TOO_SMALL, handle, (intptr_t)name, 4, 0);
    path("unknown handle", kGetPSFontName, T42_ERROR_BAD_HANDLE, 999, (intptr_t)name, sizeof name, 0);
    path("text", kTextOut, T42_OK, handle, (intptr_t) "ABC (A)", (intptr_t)out, sizeof out);
    path("text cut", kTextOut, T42_ERROR_BUFFER_TOO_SMALL, handle, (intptr_t) "ABC (A)", (intptr_t)out, 4);
    path("null text", kTextOut, T42_ERROR_REQUEST, handle, 0, (intptr_t)out, sizeof out);
    path("unknown handle", kTextOut, T42_ERROR_BAD_HANDLE, 999, (intptr_t) "A", (intptr_t)out, sizeof out);
    path("unknown handle", kDelete, T42_ERROR_BAD_HANDLE, 999, 0, 0, 0);
    /* Paths whose results differ from call to call: a new block each time,
       and a new conversion of another request, deleted. */
    paths += 3;
    for (i = 0; i < kRepeats; ++i) {
        HGLOBAL block = (HGLOBAL)call(kGetFontData, handle, 0, 0, 0);
        wrong += !block || GlobalSize(block) < 1000;
        GlobalFree(block);
        wrong += call(kDelete, call(kMake, (intptr_t)&bold, 0, 0, 0), 0, 0, 0) != T42_OK;
    }
    if (wrong) {
        failed += wrong;
        printf("FAIL font data, or a new conversion deleted: %d wrong results\n", wrong);
    }

    RegDeleteValueA(key, "Quelin Few (TrueType)");
    RegDeleteValueA(key, "Quelin Stack Missing (TrueType)");
    RegCloseKey(key);
    printf("stack_test: %ld calls on %d result paths of the 5 exports, by name and by ordinal; %ld failed\n",
           calls, paths, failed);
    return failed ? 1 : 0;
}
