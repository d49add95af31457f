#!/usr/bin/env python3
"""Timed rounds for bench/run.sh: runs every program once per round, side by
side in an order that changes from round to round, first with the release in
the page cache (warm), then with its pages evicted before every run (cold).
Prints every run, each program's median and its median ratio to the fastest
plain read (by median) in the same round, and each tarvok's peak resident
memory. Figures are printed, never judged."""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def parse():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--scratch", required=True, help="directory of the release")
    p.add_argument("--rounds", type=int, default=5)
    p.add_argument("--cold", choices=["drop", "fadvise", "off"], default="fadvise",
                   help="drop: write 1 to /proc/sys/vm/drop_caches, then evict the "
                   "release's pages with posix_fadvise too; fadvise: only the latter")
    p.add_argument("--plain", required=True, help="the plain_read program")
    p.add_argument("--buffers", default="128 256 512 1024 4096", help="plain read chunk sizes, KiB")
    p.add_argument("--tarvok", action="append", default=[], metavar="LABEL=PROGRAM",
                   help="a tarvok build to time against bench.sfv (repeatable)")
    p.add_argument("--warm-target", type=float, default=None, help="warm ratio tarvok should stay under")
    p.add_argument("names", nargs="+", help="the release's data files")
    return p.parse_args()


class Program:
    def __init__(self, label, argv, plain):
        self.label, self.argv, self.plain = label, argv, plain
        self.times = []   # seconds, one per round
        self.cpu = []     # processor seconds, one per round
        self.ratios, self.cpu_ratios = [], []  # to the fastest plain read's, round by round


def run_once(program, scratch):
    """Wall seconds and processor seconds (user and system) of one run."""
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        child = subprocess.Popen(program.argv, cwd=scratch, stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            # tarvok exits with the number of failures: the release must be intact.
            errors.seek(0)
            sys.exit("rounds.py: %s exited with %d in %s\n%s"
                     % (" ".join(program.argv), child.returncode, scratch, errors.read().decode(errors="replace")))
    return seconds, usage.ru_utime + usage.ru_stime


def resident_bytes(paths):
    """Bytes of paths in the page cache, by fincore (util-linux); None without it."""
    if not shutil.which("fincore"):
        return None
    out = subprocess.run(["fincore", "--bytes", "--noheadings", "--output", "RES"] + paths,
                         stdout=subprocess.PIPE, check=True, text=True).stdout
    return sum(int(field) for field in out.split())


def evict(paths, method):
    if method == "drop":
        with open("/proc/sys/vm/drop_caches", "w") as knob:
            knob.write("1\n")
    # The release's pages are clean, so DONTNEED drops them even unprivileged.
    for path in paths:
        fd = os.open(path, os.O_RDONLY)
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


def warm(paths):
    for path in paths:
        with open(path, "rb") as f:
            while f.read(1 << 22):
                pass


def phase(title, programs, args, paths, cold):
    total = sum(os.path.getsize(p) for p in paths)
    print("\n== %s: %d rounds, each runs every program once, in an order that changes" % (title, args.rounds))
    if not cold:
        warm(paths)
        warm(paths)
    left_over = 0
    for program in programs:
        program.times, program.cpu = [], []
    # A new order every round (the same orders every run): each program runs
    # early and late and after every other, so neither a drift of the machine
    # nor what the program before left behind favours one of them.
    order = random.Random(1)
    for _ in range(args.rounds):
        for program in order.sample(programs, len(programs)):
            if cold:
                evict(paths, args.cold)
                resident = resident_bytes(paths)
                if resident is not None:
                    left_over = max(left_over, resident)
                    if resident > total // 100:
                        sys.exit("rounds.py: after eviction %d of %d bytes are still cached" % (resident, total))
            seconds, cpu = run_once(program, args.scratch)
            program.times.append(seconds)
            program.cpu.append(cpu)
    if cold:
        how = "drop_caches and posix_fadvise(DONTNEED)" if args.cold == "drop" else "posix_fadvise(DONTNEED)"
        check = ("at most %d bytes of %d left cached (fincore)" % (left_over, total)
                 if shutil.which("fincore") else "not checked: no fincore")
        print("evicted before every run by %s; %s" % (how, check))

    # The floor is one plain read, the fastest by median; the minimum of
    # several in each round would be biased low by whichever was luckiest.
    fastest = min((p for p in programs if p.plain), key=lambda p: statistics.median(p.times))
    for program in programs:
        program.ratios = [t / f for t, f in zip(program.times, fastest.times)]
        program.cpu_ratios = [c / f for c, f in zip(program.cpu, fastest.cpu)]

    width = max(len(p.label) for p in programs)
    print("%-*s %s %7s %7s %6s %9s %7s %9s" % (
        width, "program", " ".join("%6s" % ("r%d" % (r + 1)) for r in range(args.rounds)), "best", "median", "MiB/s",
        "/ fastest", "cpu", "/ fastest"))
    for p in programs:
        median = statistics.median(p.times)
        print("%-*s %s %7.3f %7.3f %6.0f %9.2f %7.3f %9.2f" % (
            width, p.label, " ".join("%6.3f" % t for t in p.times), min(p.times), median, total / (1 << 20) / median,
            statistics.median(p.ratios), statistics.median(p.cpu), statistics.median(p.cpu_ratios)))
    print("(seconds of wall time per round, the best and the median; cpu: median user and system seconds; each"
          " '/ fastest': median over the rounds of the run's figure over that of the same round's %s, the fastest"
          " plain read by median)" % fastest.label)
    return fastest.label, {p.label: statistics.median(p.ratios) for p in programs}


def peak_resident_kib(program, scratch):
    done = subprocess.run(["/usr/bin/time", "-v"] + program.argv, cwd=scratch, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    for line in done.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1])
    return None


def main():
    args = parse()
    paths = [os.path.join(args.scratch, n) for n in args.names]
    programs = [Program("plain %d KiB" % int(kib), [os.path.abspath(args.plain), "-k", kib] + args.names, True)
                for kib in args.buffers.split()]
    tarvoks = []
    for spec in args.tarvok:
        label, _, path = spec.partition("=")
        tarvoks.append(Program(label, [os.path.abspath(path), "bench.sfv"], False))
    programs = tarvoks + programs

    floors, ratios = {}, {}
    floors["warm"], ratios["warm"] = phase("warm page cache", programs, args, paths, cold=False)
    if args.cold != "off":
        floors["cold"], ratios["cold"] = phase("cold page cache", programs, args, paths, cold=True)

    print("\n== tarvok against the fastest plain read (median of the ratios of the rounds: %s), and peak resident"
          " memory" % ", ".join("%s %s" % (cache, floors[cache]) for cache in floors))
    width = max(len(p.label) for p in tarvoks)
    print("%-*s %6s %6s %9s" % (width, "build", "warm", "cold", "max RSS"))
    for p in tarvoks:
        kib = peak_resident_kib(p, args.scratch)
        cold = "%.2f" % ratios["cold"][p.label] if "cold" in ratios else "-"
        rss = "%5.1f MiB" % (kib / 1024) if kib is not None else "?"
        print("%-*s %6.2f %6s %9s" % (width, p.label, ratios["warm"][p.label], cold, rss))
    if args.warm_target:
        print("targets: warm at most %.2f for tarvok (carry-less kernel); peak resident memory under 16 MiB"
              % args.warm_target)
    else:
        print("target: peak resident memory under 16 MiB")

if __name__ == "__main__":
    main()
