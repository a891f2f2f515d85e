/*
 * Quelin: PostScript Type 42 fonts from installed TrueType fonts.
 *
 * A host describes a font with a LOGFONTA, converts it once with
 * T42MakeTrueTypeFont, downloads the program that T42GetFontData hands out,
 * and asks T42TextOut for the code that draws each string in that font.
 *
 * Threads: every function may be called from any thread at any time. A
 * handle may be used by several threads at once; one deleted while another
 * thread uses it stays valid for that call, and later calls get
 * T42_ERROR_BAD_HANDLE. Two threads converting equal requests at once get
 * one handle. Running out of memory gives T42_ERROR_REQUEST (or a null
 * block); no exception leaves the library. The font file is read once:
 * what happens to it afterwards does not reach a converted font.
 */
#ifndef QUELIN_H
#define QUELIN_H

#ifdef _WIN32
#include <windows.h>
#define QUELIN_CALL WINAPI
#else
#include <stddef.h>
#include <stdint.h>
#define QUELIN_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef _WIN32
/* The Win32 logical font record, with its Win32 layout (60 bytes). */
#define LF_FACESIZE 32
typedef struct tagLOGFONTA {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
} LOGFONTA;

/* A global memory block handed to the host; see T42GlobalLock and friends. */
typedef void* HGLOBAL;

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define MAC_CHARSET 77
#define SHIFTJIS_CHARSET 128
#define HANGUL_CHARSET 129
#define JOHAB_CHARSET 130
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define GREEK_CHARSET 161
#define TURKISH_CHARSET 162
#define VIETNAMESE_CHARSET 163
#define HEBREW_CHARSET 177
#define ARABIC_CHARSET 178
#define BALTIC_CHARSET 186
#define RUSSIAN_CHARSET 204
#define THAI_CHARSET 222
#define EASTEUROPE_CHARSET 238
#define OEM_CHARSET 255
#endif

/* Result codes. */
#define T42_OK 0
#define T42_ERROR_NO_SUCH_FONT (-1000)  /* no installed TrueType font has the face name */
#define T42_ERROR_BAD_FONT (-1001)      /* the face cannot be opened or converted */
#define T42_ERROR_BAD_HANDLE (-1001)    /* the handle is not a converted font */
#define T42_ERROR_REQUEST (-1002)       /* null request or text, out of memory, or no handle left */
#define T42_ERROR_ENGINE (-1003)        /* the font engine failed to start */
#define T42_ERROR_BUFFER_TOO_SMALL (-1004) /* what fitted was written */
#define T42_ERROR_BAD_TEXT (-1005)      /* the text is not UTF-8 (T42TextOutUTF8) */

/* Converts the font the request names, or finds an earlier conversion of an
   equal request. A handle (1000 or more) or a negative result code. */
int QUELIN_CALL T42MakeTrueTypeFont(const LOGFONTA* request);

/* A new movable global memory block holding the font program (no
   terminating zero). The caller frees it. Null for an unknown handle. */
HGLOBAL QUELIN_CALL T42GetFontData(int handle);

/* The PostScript name the program defines the font under, zero-terminated.
   T42_ERROR_BUFFER_TOO_SMALL when cut to nameSize - 1 bytes. */
int QUELIN_CALL T42GetPSFontName(int handle, char* name, int nameSize);

/* PostScript code that draws `text` (8-bit, in the request's character set)
   in the converted font, zero-terminated in `out`: a run of bytes below 128
   with show, every other character by its glyph's name with glyphshow. In
   the double-byte code pages (character sets 128, 129, 130, 134 and 136) a
   lead byte and the nonzero byte after it are one character.
   T42_ERROR_BUFFER_TOO_SMALL when it does not fit, what fitted having been
   written. */
int QUELIN_CALL T42TextOut(int handle, const char* text, char* out, int outSize);

#ifndef _WIN32
/* The same for UTF-8 text, whatever the request's character set: every
   character from U+0080 up (beyond U+FFFF too) by the glyph the font's
   Unicode map gives it, .notdef in a font without one. Checked in this
   order: T42_ERROR_BAD_HANDLE, T42_ERROR_REQUEST for null text,
   T42_ERROR_BAD_TEXT (with `out` untouched) when the text is not UTF-8,
   then T42_ERROR_BUFFER_TOO_SMALL. */
int T42TextOutUTF8(int handle, const char* text, char* out, int outSize);
#endif

/* Releases a font handle and everything the conversion holds. */
int QUELIN_CALL T42DeleteTrueTypeFont(int handle);

#ifdef _WIN32
/* On Windows the block is an ordinary HGLOBAL. */
#define T42GlobalLock GlobalLock
#define T42GlobalUnlock GlobalUnlock
#define T42GlobalSize GlobalSize
#define T42GlobalFree GlobalFree
#else
/* Linux has no GlobalAlloc family: these stand in for it. */
void* T42GlobalLock(HGLOBAL block);
int T42GlobalUnlock(HGLOBAL block);
size_t T42GlobalSize(HGLOBAL block);
HGLOBAL T42GlobalFree(HGLOBAL block); /* null on success, as GlobalFree */

/* Linux only. A new global memory block holding a program of just the
   `count` glyphs at `glyphs` (glyph indices of the font), glyph 0 and the
   glyphs their composite glyphs are made of, under the same FontName as
   the whole program. Glyphs are renumbered in ascending order (glyph 0
   stays 0); each keeps its glyph name, except that one other than glyph 0
   named ".notdef", and any two sharing a name, are named "g<index>".
   FontInfo's GlyphNames2Unicode gives the Unicode character each requested
   glyph stands for (the lowest that the font's Unicode map gives it). Null
   for an unknown handle, null `glyphs`, `count` below 1, a glyph index not
   below the font's number of glyphs, or no memory. The caller frees it. */
HGLOBAL T42GetSubsetFontData(int handle, const unsigned* glyphs, int count);
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUELIN_H */
