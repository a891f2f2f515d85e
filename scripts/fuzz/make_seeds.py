#!/usr/bin/python3
"""Write the seed corpora of the fuzz targets.

Usage: make_seeds.py FONTS_DIR OUTDIR [MAX_BYTES]

OUTDIR/convert gets every font of FONTS_DIR (the crafted and hostile fonts
the fuzz build generates) up to MAX_BYTES (default 262144), and subsets of
installed DejaVu fonts: real hinted fonts small enough to mutate quickly.
OUTDIR/textout gets inputs for fuzz_textout: font, character set, buffer
kind and size bytes, then text with every kind of byte that needs care.
"""

import os
import shutil
import subprocess
import sys

DEJAVU = "/usr/share/fonts/truetype/dejavu"
SUBSETS = [
    ("DejaVuSans.ttf", "U+0020-007E,U+00A0-00FF,U+2018-201E,U+20AC"),
    ("DejaVuSerif.ttf", "U+0020-007E,U+0391-03C9,U+0410-044F"),
    ("DejaVuSansMono.ttf", "U+0020-007E"),
]

TEXTS = [
    b"Caf\xe9 (au lait)",
    b") (owned) print (",
    b"\\",
    b"%!PS\n(owned) print",
    bytes(range(1, 32)) + b"\x7f",
    bytes(range(128, 256)),
    b"\x80\x92v\x9f\xa0\xff",
    b"a\\) cvn (owned) print (\\b",
    b"\r\n(\r)\n",
    b"\xc0\xc1\xc2\xe0\xe1\xe2 \xf0\xf1\xf2",
]


def convert_seeds(fonts, out, max_bytes):
    os.makedirs(out, exist_ok=True)
    for name in sorted(os.listdir(fonts)):
        path = os.path.join(fonts, name)
        if name.endswith((".ttf", ".ttc")) and 0 < os.path.getsize(path) <= max_bytes:
            shutil.copyfile(path, os.path.join(out, name))
    for font, unicodes in SUBSETS:
        source = os.path.join(DEJAVU, font)
        if not os.path.exists(source):
            continue
        subprocess.run([sys.executable, "-m", "fontTools.subset", source, "--unicodes=" + unicodes,
                        "--glyph-names", "--notdef-outline", "--name-IDs=*", "--name-languages=*",
                        "--output-file=" + os.path.join(out, "subset-" + font)],
                       check=True, stderr=subprocess.DEVNULL)


def textout_seeds(out):
    os.makedirs(out, exist_ok=True)
    n = 0
    for face in range(5):
        for charset in (0, 2, 3, 13):
            for mode, size in ((4, 0), (6, 40), (7, 128), (3, 7)):
                text = TEXTS[n % len(TEXTS)]
                with open(os.path.join(out, "seed-%03d" % n), "wb") as f:
                    f.write(bytes([face, charset, mode, size]) + text)
                n += 1


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write("usage: make_seeds.py FONTS_DIR OUTDIR [MAX_BYTES]\n")
        return 2
    max_bytes = int(argv[3]) if len(argv) == 4 else 262144
    convert_seeds(argv[1], os.path.join(argv[2], "convert"), max_bytes)
    textout_seeds(os.path.join(argv[2], "textout"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
