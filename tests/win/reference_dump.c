/* Writes what the Linux build of the library makes of one face, for the
   Wine host test to compare the Windows build with:
     reference_dump FACE PROGRAM_FILE TEXT_FILE
   PROGRAM_FILE gets the font program of FACE (looked up through
   fontconfig), TEXT_FILE the code T42TextOut writes for the sample text.
   The request is the one host_test.c makes. */
#include "quelin.h"
#include "sample_text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int write_file(const char* path, const void* bytes, size_t size) {
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(bytes, 1, size, file) != size || fclose(file) != 0) {
        fprintf(stderr, "reference_dump: cannot write %s\n", path);
        return 0;
    }
    return 1;
}

int main(int argc, char** argv) {
    LOGFONTA request;
    int handle, result;
    HGLOBAL block;
    void* bytes;
    char* text;

    if (argc != 4 || strlen(argv[1]) >= LF_FACESIZE) {
        fprintf(stderr, "usage: reference_dump FACE PROGRAM_FILE TEXT_FILE\n");
        return 2;
    }
    memset(&request, 0, sizeof request);
    request.lfHeight = -12;
    request.lfWeight = 400;
    request.lfCharSet = ANSI_CHARSET;
    strcpy(request.lfFaceName, argv[1]);

    handle = T42MakeTrueTypeFont(&request);
    if (handle < 1000) {
        fprintf(stderr, "reference_dump: %s: T42MakeTrueTypeFont gave %d\n", argv[1], handle);
        return 1;
    }
    block = T42GetFontData(handle);
    bytes = block ? T42GlobalLock(block) : NULL;
    if (!bytes || !write_file(argv[2], bytes, T42GlobalSize(block)))
        return 1;
    T42GlobalUnlock(block);
    T42GlobalFree(block);

    text = malloc(QUELIN_SAMPLE_OUT_SIZE);
    if (!text)
        return 1;
    result = T42TextOut(handle, QUELIN_SAMPLE_TEXT, text, QUELIN_SAMPLE_OUT_SIZE);
    if (result != T42_OK) {
        fprintf(stderr, "reference_dump: %s: T42TextOut gave %d\n", argv[1], result);
        return 1;
    }
    if (!write_file(argv[3], text, strlen(text)))
        return 1;
    free(text);
    return T42DeleteTrueTypeFont(handle) == T42_OK ? 0 : 1;
}
