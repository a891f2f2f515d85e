#!/usr/bin/python3
"""Whole-process comparison on the same fonts: `quelin convert`, the peer
converter ttftotype42, and the lower bound (map the font, hex it, write it),
and with --before an earlier build of quelin. Runs them alternately, several
times each, and prints medians, the ratios to the bound and to the peer, and
peak memory."""

import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

FONTS = [
    ("DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
    ("Droid Sans Fallback", "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"),
    ("WenQuanYi Zen Hei", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"),
]


def run(command, output=None):
    """Wall time, processor time (user and system, s) and peak resident
    memory (KB) of one run; standard output goes to the file `output` when
    given."""
    timed = ["/usr/bin/time", "-f", "%M"] + command
    start = time.perf_counter()
    with open(output, "wb") if output else open(os.devnull, "wb") as sink:
        process = subprocess.Popen(timed, stdout=sink, stderr=subprocess.PIPE, text=True)
        stderr = process.stderr.read()
        _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(command)}\n{stderr}")
    return elapsed, usage.ru_utime + usage.ru_stime, int(stderr.strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--quelin", default="build/quelin")
    parser.add_argument("--bound", default="build/bench/quelin_lower_bound")
    parser.add_argument("--before", help="an earlier quelin, run alongside")
    parser.add_argument("--runs", type=int, default=21)
    args = parser.parse_args()

    out = tempfile.mkdtemp(prefix="quelin-bench-")
    print(f"{'font':22} {'size':>9} {'program':>9} {'bound':>8} {'quelin':>8} {'peer':>8}"
          f" {'q/bound':>7} {'peer/q':>7} {'q peak':>8} {'peer peak':>9}"
          + (f" {'before':>8} {'b/bound':>7} {'b peak':>8}" if args.before else ""))
    failures = []
    for face, path in FONTS:
        # quelin and the bound write to standard output, as the peer writes
        # its file: `-o` adds the flush to the disk (fsync) that makes
        # replacing a file safe, a cost of the file system, not of converting.
        commands = {
            "quelin": [args.quelin, "convert", face],
            "bound": [args.bound, path],
        }
        if not path.endswith(".ttc"):  # the peer reads no collections
            commands["peer"] = ["ttftotype42", path, os.path.join(out, "p.t42")]
        outputs = {"quelin": os.path.join(out, "q.t42"), "bound": os.path.join(out, "b.hex")}
        if args.before:
            commands["before"] = [args.before, "convert", face]
            outputs["before"] = os.path.join(out, "before.t42")
        times = {name: [] for name in commands}
        cpus = {name: [] for name in commands}
        peaks = {name: [] for name in commands}
        for name, command in commands.items():  # warm the page cache
            run(command, outputs.get(name))
        for _ in range(args.runs):
            for name, command in commands.items():
                elapsed, cpu, peak = run(command, outputs.get(name))
                times[name].append(elapsed)
                cpus[name].append(cpu)
                peaks[name].append(peak)
        median = {name: statistics.median(values) for name, values in times.items()}
        cpu = {name: statistics.median(values) for name, values in cpus.items()}
        peak = {name: max(values) for name, values in peaks.items()}
        program = os.path.getsize(os.path.join(out, "q.t42"))
        to_bound = median["quelin"] / median["bound"]
        to_peer = median["peer"] / median["quelin"] if "peer" in median else None
        def shown(value, form, width):
            return format(value, form) if value is not None else "-".rjust(width)
        print(f"{face:22} {os.path.getsize(path):9d} {program:9d} {median['bound']:8.4f} "
              f"{median['quelin']:8.4f} {shown(median.get('peer'), '8.4f', 8)} {to_bound:7.2f} "
              f"{shown(to_peer, '7.2f', 7)} {peak['quelin'] / 1024:7.1f}M "
              f"{shown(peak['peer'] / 1024 if 'peer' in peak else None, '8.1f', 8)}M"
              + (f" {median['before']:8.4f} {median['before'] / median['bound']:7.2f} "
                 f"{peak['before'] / 1024:7.1f}M" if args.before else ""), flush=True)
        # Processor time, which other load on the machine inflates less.
        print(f"{'':22} processor time: bound {cpu['bound']:.4f}, quelin {cpu['quelin']:.4f} "
              f"({cpu['quelin'] / cpu['bound']:.2f} times)"
              + (f", before {cpu['before']:.4f} ({cpu['before'] / cpu['bound']:.2f} times)" if args.before else ""),
              flush=True)
        memory_limit = 2.5 * program / 1024 + 8 * 1024
        if face == "Droid Sans Fallback":
            if to_bound > 1.3:
                failures.append(f"{face}: {to_bound:.2f} times the lower bound (target 1.3)")
            if to_peer < 2.5:
                failures.append(f"{face}: only {to_peer:.2f} times faster than the peer (target 2.5)")
        if peak["quelin"] > memory_limit:
            failures.append(f"{face}: peak {peak['quelin']} KB over {memory_limit:.0f} KB")
    print("targets:", "held" if not failures else "MISSED")
    for failure in failures:
        print("  " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
