#!/usr/bin/python3
"""quelin print beside paps, enscript and a2ps on the same files: the README,
a 1,000-page text file and a one-page file of mixed scripts. For each tool:
the median wall time of writing PostScript, its bytes, the bytes of the PDF
made from it (quelin: -o NAME.pdf; the others: ps2pdf), pages and peak
memory. Prints a Markdown table. Then the GPL 75 times to PostScript beside
enscript (and, with --before, an earlier build of quelin), and PDF written
directly, beside cups-filters' texttopdf and cairo (pango-view): the GPL
75 times, and one line of Chinese. Also times quelin on 250, 500 and 1,000
pages, to show that its cost grows linearly with the input."""

import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import time

WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at which but have an "
         "they you were her she there been one all we their has would when if so no will my more out up into do "
         "any your what some could them other than then now only its time about over such like these two may "
         "first new very also after where most made must through back years much before good little world").split()

MIXED = ["The quick brown fox jumps over the lazy dog.", "Съешь же ещё этих мягких французских булок.",
         "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία.", "Բարեւ աշխարհ, ինչպե՞ս ես։", "გამარჯობა მსოფლიო, როგორ ხარ?",
         "你好，世界。日本語のテキストを印刷します。", "שלום עולם, מה שלומך?", "مرحبا بالعالم، كيف حالك؟",
         "नमस्ते दुनिया, आप कैसे हैं?", "Emoji: 😀 ☃ ✈ ♻"]


def make_inputs(folder, readme):
    random.seed(15)
    book = os.path.join(folder, "book.txt")
    with open(book, "w") as out:
        for line in range(64000):  # 64 lines a page at 10 pt on A4: 1,000 pages
            words, length = [], 0
            while length < 66:
                word = random.choice(WORDS)
                words.append(word)
                length += len(word) + 1
            out.write(" ".join(words) + "\n")
    mixed = os.path.join(folder, "mixed.txt")
    with open(mixed, "w") as out:
        out.write("\n".join(MIXED * 6) + "\n")
    return [("README.md", readme), ("1,000-page text", book), ("one page, mixed scripts", mixed)]


def timed(command, stdout, env=None):
    """Wall time, peak resident memory (KB) and processor time (user and
    system, which a loaded machine disturbs less than wall time) of one run."""
    with open(stdout, "wb") as out:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%U %S %M"] + command, stdout=out, stderr=subprocess.PIPE,
                              env=dict(os.environ, **(env or {})))
        elapsed = time.perf_counter() - start
    if done.returncode not in (0, 4):  # 4: quelin printed, with characters no font has
        sys.exit(f"failed: {' '.join(command)}\n{done.stderr.decode(errors='replace')[-2000:]}")
    user, system, peak = done.stderr.decode().strip().splitlines()[-1].split()
    return elapsed, int(peak), float(user) + float(system)


def pages(path):
    with open(path, "rb") as document:
        return len(re.findall(rb"^%%Page: ", document.read(), re.M))


def tools(quelin, text, ps, pdf):
    return [
        ("quelin print", [quelin, "print", text, "-o", ps], None, [quelin, "print", text, "-o", pdf]),
        ("paps", ["paps", text], ps, None),
        ("enscript", ["enscript", "-q", "-p", ps, text], None, None),
        ("a2ps -1", ["a2ps", "-q", "-1", "-o", ps, text], None, None),
    ]


def megabytes(size):
    return f"{size / 1e6:.2f} MB" if size >= 1e5 else f"{size / 1e3:.1f} KB"


TEXTTOPDF = "/usr/lib/cups/filter/texttopdf"
CHINESE = "我能吞下玻璃而不伤身体。"


def gpl_text(folder):
    gpl = os.path.join(folder, "gpl75.txt")
    if not os.path.exists(gpl):
        with open("/usr/share/common-licenses/GPL-3") as licence, open(gpl, "w") as out:
            out.write(licence.read() * 75)
    return gpl


def interleaved(jobs, runs):
    """Each job's runs taken in turns, so that a change in the machine's load
    falls on all of them alike."""
    results = {job[0]: [] for job in jobs}
    for _ in range(runs):
        for name, command, stdout, *env in jobs:
            results[name].append(timed(command, stdout or os.devnull, env[0] if env else None))
    return results


def postscript_table(quelin, before, folder, runs):
    """The GPL 75 times to PostScript, beside enscript and an earlier build."""
    gpl = gpl_text(folder)
    out_ps = f"{folder}/gpl.ps"
    jobs = [("quelin print", [quelin, "print", gpl, "-o", out_ps], None)]
    if before:
        jobs.append(("quelin print, earlier build", [before, "print", gpl, "-o", out_ps], None))
    jobs.append(("enscript", ["enscript", "-q", "-p", out_ps, gpl], None))
    results = interleaved(jobs, runs)
    print("\n| GPL 75 times to PostScript | Time | Processor time | PostScript | Pages | Peak memory |\n"
          "|---|---|---|---|---|---|")
    for name, command, _ in jobs:
        timed(command, os.devnull)  # its file, for the size and pages
        done = results[name]
        print(f"| {name} | {statistics.median(r[0] for r in done):.2f} s | "
              f"{statistics.median(r[2] for r in done):.2f} s | {megabytes(os.path.getsize(out_ps))} | "
              f"{pages(out_ps)} | {max(r[1] for r in done) / 1024:.1f} MB |")


def pdf_table(quelin, folder, runs):
    """Straight to PDF: the GPL 75 times and a line of Chinese."""
    gpl = gpl_text(folder)
    chinese = os.path.join(folder, "chinese.txt")
    with open(chinese, "w") as out:
        out.write(CHINESE + "\n")
    out_pdf = f"{folder}/direct.pdf"
    # The GPL's jobs are run in turns, quelin's time against texttopdf's in
    # the same rounds.
    gpl_jobs = [("quelin print", [quelin, "print", gpl, "-o", out_pdf], None, {}),
                ("texttopdf", [TEXTTOPDF, "1", "u", "t", "1", "", gpl], out_pdf, {}),
                ("texttopdf, CHARSET=utf-8", [TEXTTOPDF, "1", "u", "t", "1", "", gpl], out_pdf, {"CHARSET": "utf-8"})]
    if not os.path.exists(TEXTTOPDF):
        gpl_jobs = gpl_jobs[:1]
    chinese_jobs = [("quelin print (WenQuanYi Zen Hei)",
                     [quelin, "print", "--font", "WenQuanYi Zen Hei", chinese, "-o", out_pdf], None, {}),
                    ("cairo (pango-view, Noto Sans CJK)",
                     ["pango-view", "-q", "--font", "Noto Sans CJK SC 10", "-o", out_pdf, chinese], None, {})]
    print("\n| Input | Tool | Time (PDF) | Processor time | PDF | Pages | Peak memory |\n|---|---|---|---|---|---|---|")
    for label, jobs, count in (("GPL 75 times", gpl_jobs, 3 * runs), ("a line of Chinese", chinese_jobs, runs)):
        results = interleaved(jobs, count)
        for name, command, stdout, env in jobs:
            timed(command, stdout or os.devnull, env)  # its file, for the size and pages
            info = subprocess.run(["pdfinfo", out_pdf], capture_output=True, text=True).stdout
            pages_found = re.search(r"^Pages:\s+(\d+)", info, re.M)
            done = results[name]
            print(f"| {label} | {name} | {statistics.median(r[0] for r in done):.2f} s | "
                  f"{statistics.median(r[2] for r in done):.2f} s | {megabytes(os.path.getsize(out_pdf))} | "
                  f"{pages_found.group(1) if pages_found else '?'} | {max(r[1] for r in done) / 1024:.1f} MB |")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--quelin", default="build/quelin")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--before", help="an earlier quelin, for the GPL to PostScript")
    args = parser.parse_args()
    quelin = os.path.abspath(args.quelin)
    readme = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "README.md"))
    with tempfile.TemporaryDirectory() as folder:
        os.environ["SOURCE_DATE_EPOCH"] = "0"
        rows = []
        for label, text in make_inputs(folder, readme):
            for name, command, stdout, pdf_command in tools(quelin, text, f"{folder}/out.ps", f"{folder}/out.pdf"):
                times, peak = [], 0
                for _ in range(args.runs):
                    elapsed, memory, _ = timed(command, stdout or os.devnull)
                    times.append(elapsed)
                    peak = max(peak, memory)
                ps_bytes = os.path.getsize(f"{folder}/out.ps")
                count = pages(f"{folder}/out.ps")
                if pdf_command:
                    timed(pdf_command, os.devnull)
                else:
                    subprocess.run(["ps2pdf", f"{folder}/out.ps", f"{folder}/out.pdf"], check=True,
                                   stderr=subprocess.DEVNULL)
                rows.append((label, name, statistics.median(times), ps_bytes, os.path.getsize(f"{folder}/out.pdf"),
                             count, peak))
                print(f"{label}: {name} done", file=sys.stderr)
        print("| Input | Tool | Time (PostScript) | PostScript | PDF | Pages | Peak memory |")
        print("|---|---|---|---|---|---|---|")
        for label, name, seconds, ps_bytes, pdf_bytes, count, peak in rows:
            print(f"| {label} | {name} | {seconds:.2f} s | {megabytes(ps_bytes)} | {megabytes(pdf_bytes)} | {count} | "
                  f"{peak / 1024:.1f} MB |")
        postscript_table(quelin, args.before and os.path.abspath(args.before), folder, 3 * args.runs)
        pdf_table(quelin, folder, args.runs)
        # Linear cost: the same text cut to 250 and 500 pages.
        book = os.path.join(folder, "book.txt")
        with open(book) as whole:
            lines = whole.readlines()
        print("\n| Pages | quelin print time | Peak memory |\n|---|---|---|")
        for count in (250, 500, 1000):
            part = os.path.join(folder, f"part{count}.txt")
            with open(part, "w") as out:
                out.writelines(lines[:count * 64])
            results = [timed([quelin, "print", part, "-o", f"{folder}/part.ps"], os.devnull) for _ in range(args.runs)]
            print(f"| {count} | {statistics.median(r[0] for r in results):.3f} s | "
                  f"{max(r[1] for r in results) / 1024:.1f} MB |")


if __name__ == "__main__":
    main()
