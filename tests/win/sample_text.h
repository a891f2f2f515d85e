/* The text both the Linux reference and the Wine host draw with
   T42TextOut: every byte that is a character in code page 1252, so the
   two sides' byte-to-glyph mapping is compared whole, with the characters
   a PostScript string must escape among them. */
#ifndef QUELIN_SAMPLE_TEXT_H
#define QUELIN_SAMPLE_TEXT_H

#define QUELIN_SAMPLE_TEXT                                                        \
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"         \
    "abcdefghijklmnopqrstuvwxyz{|}~(unmatched"                                    \
    "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e"                      \
    "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9e\x9f"                  \
    "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9\xaa\xab\xac\xad\xae\xaf"          \
    "\xb0\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc\xbd\xbe\xbf"          \
    "\xc0\xc1\xc2\xc3\xc4\xc5\xc6\xc7\xc8\xc9\xca\xcb\xcc\xcd\xce\xcf"          \
    "\xd0\xd1\xd2\xd3\xd4\xd5\xd6\xd7\xd8\xd9\xda\xdb\xdc\xdd\xde\xdf"          \
    "\xe0\xe1\xe2\xe3\xe4\xe5\xe6\xe7\xe8\xe9\xea\xeb\xec\xed\xee\xef"          \
    "\xf0\xf1\xf2\xf3\xf4\xf5\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff"

/* Room for T42TextOut's output of the sample. */
#define QUELIN_SAMPLE_OUT_SIZE 65536

#endif
