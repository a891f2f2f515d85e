/* stack_test DLL TEST_DATA: calls each export of the 32-bit DLL by name and by ordinal, 1000 times on
   every result path, through a thunk that records ESP before the pushes and after the return: a
   __stdcall function pops exactly its arguments, so the two must be equal. */
#include "quelin.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

/* Pushes args[count - 1] .. args[0], calls `function`, returns EAX; ESP is then restored from EBP,
   so a wrong pop is measured, not fatal. */
intptr_t stack_call(FARPROC function, int count, const intptr_t* args);
uintptr_t stackBefore, stackAfter;
__asm__(".text\n.globl _stack_call\n_stack_call:\n"
        "  pushl %ebp; movl %esp, %ebp; movl 12(%ebp), %ecx; movl 16(%ebp), %edx; movl %esp, _stackBefore\n"
        "1:jecxz 2f; pushl -4(%edx,%ecx,4); decl %ecx; jmp 1b\n"
        "2:call *8(%ebp); movl %esp, _stackAfter; movl %ebp, %esp; popl %ebp; ret\n");

enum { kDelete, kGetFontData, kGetPSFontName, kMake, kTextOut }; /* ordinal - 1 */
static const char* const kNames[] = {"T42DeleteTrueTypeFont", "T42GetFontData", "T42GetPSFontName",
                                     "T42MakeTrueTypeFont", "T42TextOut"};
static const int kArgumentCounts[] = {1, 1, 3, 1, 4}; /* as quelin.h declares them */
static FARPROC byName[5], byOrdinal[5];
static long calls, failed;

static intptr_t call(int function, int viaOrdinal, const intptr_t* args) {
    intptr_t result = stack_call((viaOrdinal ? byOrdinal : byName)[function], kArgumentCounts[function], args);
    ++calls;
    if (stackAfter != stackBefore && failed++ < 10)
        printf("FAIL %s (by %s): ESP moved by %ld bytes\n", kNames[function], viaOrdinal ? "ordinal" : "name",
               (long)(stackAfter - stackBefore));
    return result;
}

static int __cdecl pops_nothing(int a) { return a; }
static int __stdcall pops_four(int a) { return a; }

/* Results that differ from call to call: a new block, and a new handle, which is then deleted. */
enum { kNewBlock = -100, kNewHandle = -101 };

int main(int argc, char** argv) {
    static const char kKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    static const char* const kFaces[] = {"Quelin Few", "Quelin Few", "Quelin No Such Face", "Quelin Stack Missing"};
    LOGFONTA few = {0}, bold = {0}, unknown = {0}, missing = {0}, *requests[] = {&few, &bold, &unknown, &missing};
    const intptr_t one = 42;
    char data[MAX_PATH], *c, name[64], out[256];
    HMODULE module;
    HKEY key;
    int i, p, handle;

    if (argc != 3)
        return 2;
    for (i = 0; i < 4; ++i) {
        requests[i]->lfWeight = i == 1 ? FW_BOLD : FW_NORMAL; /* another request, so another conversion */
        lstrcpynA(requests[i]->lfFaceName, kFaces[i], LF_FACESIZE);
    }
    /* The thunk sees a function that leaves its argument on the stack and one that pops it. */
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
    handle = module ? (int)call(kMake, 0, (intptr_t[]){(intptr_t)&few}) : -1;
    if (handle < 1000) {
        printf("FAIL loading %s and converting Quelin Few: %d\n", argv[1], handle);
        return 1;
    }
    struct { int function; intptr_t expected, args[4]; } paths[] = {
        {kMake, handle, {(intptr_t)&few}},
        {kMake, kNewHandle, {(intptr_t)&bold}},
        {kMake, T42_ERROR_NO_SUCH_FONT, {(intptr_t)&unknown}},
        {kMake, T42_ERROR_BAD_FONT, {(intptr_t)&missing}},
        {kMake, T42_ERROR_REQUEST, {0}},
        {kGetFontData, kNewBlock, {handle}},
        {kGetFontData, 0, {999}},
        {kGetPSFontName, T42_OK, {handle, (intptr_t)name, sizeof name}},
        {kGetPSFontName, T42_ERROR_BUFFER_TOO_SMALL, {handle, (intptr_t)name, 4}},
        {kGetPSFontName, T42_ERROR_BAD_HANDLE, {999, (intptr_t)name, sizeof name}},
        {kTextOut, T42_OK, {handle, (intptr_t) "ABC (A)", (intptr_t)out, sizeof out}},
        {kTextOut, T42_ERROR_BUFFER_TOO_SMALL, {handle, (intptr_t) "ABC (A)", (intptr_t)out, 4}},
        {kTextOut, T42_ERROR_REQUEST, {handle, 0, (intptr_t)out, sizeof out}},
        {kTextOut, T42_ERROR_BAD_HANDLE, {999, (intptr_t) "A", (intptr_t)out, sizeof out}},
        {kDelete, T42_ERROR_BAD_HANDLE, {999}},
    };
    enum { kPaths = sizeof paths / sizeof paths[0] };
    int wrong[kPaths] = {0};
    for (i = 0; i < 1000; ++i) {
        for (p = 0; p < kPaths; ++p) {
            intptr_t result = call(paths[p].function, i & 1, paths[p].args);
            if (paths[p].expected == kNewBlock) {
                wrong[p] += !result || GlobalSize((HGLOBAL)result) < 1000;
                GlobalFree((HGLOBAL)result);
            } else if (paths[p].expected == kNewHandle) { /* its deletion: one more path */
                wrong[p] += result < 1000 || call(kDelete, i & 1, &result) != T42_OK;
            } else {
                wrong[p] += result != paths[p].expected;
            }
        }
    }
    for (p = 0; p < kPaths; failed += wrong[p++])
        if (wrong[p])
            printf("FAIL %s, path %d: %d wrong results\n", kNames[paths[p].function], p, wrong[p]);
    RegDeleteValueA(key, "Quelin Few (TrueType)");
    RegDeleteValueA(key, "Quelin Stack Missing (TrueType)");
    RegCloseKey(key);
    printf("stack_test: %ld calls on %d result paths of the 5 exports, by name and by ordinal; %ld failed\n", calls,
           kPaths + 1, failed);
    return failed ? 1 : 0;
}
