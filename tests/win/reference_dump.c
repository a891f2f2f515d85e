/* reference_dump FACE PROGRAM_FILE TEXT_FILE: writes what the Linux build makes of FACE (looked up
   through fontconfig), its font program and the code for the sample text, for host_test.c. */
#include "quelin.h"
#include "sample_text.h"

#include <stdio.h>

static char sample[256], text[QUELIN_SAMPLE_OUT_SIZE];

static int write_file(const char* path, const void* bytes, size_t size) {
    FILE* file = fopen(path, "wb");
    return file && fwrite(bytes, 1, size, file) == size && fclose(file) == 0;
}

int main(int argc, char** argv) {
    LOGFONTA request = sample_request(argc == 4 ? argv[1] : "");
    int handle = T42MakeTrueTypeFont(&request);
    HGLOBAL block = T42GetFontData(handle);
    sample_text(sample);
    if (argc != 4 || !block || !write_file(argv[2], T42GlobalLock(block), T42GlobalSize(block)) ||
        T42TextOut(handle, sample, text, sizeof text) != T42_OK || !write_file(argv[3], text, strlen(text))) {
        fprintf(stderr, "reference_dump: %s: no program or text written (handle %d)\n", argc > 1 ? argv[1] : "", handle);
        return 1;
    }
    T42GlobalUnlock(block);
    T42GlobalFree(block);
    return T42DeleteTrueTypeFont(handle) == T42_OK ? 0 : 1;
}
