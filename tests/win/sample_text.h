/* What host_test.c and reference_dump.c both ask of a face: the same request, and T42TextOut of every
   byte that is a character in code page 1252 (so the two sides' byte-to-glyph mapping is compared
   whole, with the characters a PostScript string must escape among them). */
#pragma once
#include <string.h>

#define QUELIN_SAMPLE_OUT_SIZE 65536 /* room for T42TextOut's output of the sample */

static void sample_text(char* text) { /* 256 bytes */
    for (int byte = 0x20; byte < 0x100; ++byte)
        if (!strchr("\x7f\x81\x8d\x8f\x90\x9d", byte))
            *text++ = (char)byte;
    strcpy(text, "(unmatched");
}

static LOGFONTA sample_request(const char* face) {
    LOGFONTA request;
    memset(&request, 0, sizeof request);
    request.lfHeight = -12;
    request.lfWeight = 400;
    request.lfCharSet = ANSI_CHARSET;
    strncpy(request.lfFaceName, face, LF_FACESIZE - 1);
    return request;
}
