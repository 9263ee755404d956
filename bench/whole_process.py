#!/usr/bin/env python3
"""Whole-process figures: tarvel-batch jobs beside their floor, timed with
hyperfine as a user runs them.

Each job and its floor (bench/floor.c: the same records read with one
positioned read each and as many bytes written) run in alternating rounds,
so a change of load on the machine falls on both. Reported per job: the
median wall-clock time of each, their ratio, the ratio of their CPU time
(user + system) and the verdict against the target. Then the growth table:
ZR1 exports of 1, 10 and 60 areas by 4, 73 and 241 quarters.

usage: whole_process.py BIN_DIR [--rounds N] [--runs N] [--markdown]
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile


def Hyperfine(commands, runs, prepare, scratch):
    """Runs hyperfine once over commands; per command its wall times and
    mean user + system time (seconds)."""
    report = os.path.join(scratch, "hyperfine.json")
    args = ["hyperfine", "--shell=none", "--style", "none", "--warmup", "1", "--runs", str(runs),
            "--export-json", report]
    if prepare:
        args += ["--prepare", prepare]
    args += commands
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(report) as f:
        results = json.load(f)["results"]
    return [(r["times"], r["user"] + r["system"]) for r in results]


def Measure(program, floor, rounds, runs, prepare, scratch):
    """Alternating rounds of program and floor; medians and CPU means."""
    times = {0: [], 1: []}
    cpu = {0: [], 1: []}
    for n in range(rounds):
        # Alternate which one goes first, so neither always follows the other.
        order = [0, 1] if n % 2 == 0 else [1, 0]
        commands = [[program, floor][i] for i in order]
        for i, (wall, used) in zip(order, Hyperfine(commands, runs, prepare, scratch)):
            times[i] += wall
            cpu[i].append(used)
    return (statistics.median(times[0]), statistics.median(times[1]), statistics.mean(cpu[0]),
            statistics.mean(cpu[1]))


def Quote(args):
    return " ".join(a if a and all(c.isalnum() or c in "/._-,=" for c in a) else "'" + a + "'" for a in args)


def TimeText(seconds):
    if seconds < 1e-3:
        return "%.0f us" % (seconds * 1e6)
    if seconds < 1:
        return "%.1f ms" % (seconds * 1e3)
    return "%.2f s" % seconds


def SizeText(size):
    if size >= 1e6:
        return "%.2f MB" % (size / 1e6)
    return "%.1f KB" % (size / 1e3)


def Main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--markdown", action="store_true", help="print the tables as Markdown")
    options = parser.parse_args()

    data = os.path.join(options.bin, "sample-data")
    if shutil.which("hyperfine") is None:
        sys.exit("whole_process.py: hyperfine is not installed (scripts/setup-deps.sh installs it)")
    scratch = tempfile.mkdtemp(prefix="tarvel-whole-")
    # Both programs run as installed copies, as a user runs them: a file the
    # linker has just written lies in the page cache in small pieces and is
    # mapped page by page, where a copy written in one pass (as an install
    # or a package writes it, or as the disk gives it back) is held in large
    # ones. Just linked, tarvel-batch starts some 0.4 ms slower.
    installed = os.path.join(scratch, "bin")
    os.mkdir(installed)
    batch = shutil.copy2(os.path.join(options.bin, "tarvel-batch"), installed)
    floorProgram = shutil.copy2(os.path.join(options.bin, "tarvel-floor"), installed)
    out = os.path.join(scratch, "out")
    floorOut = os.path.join(scratch, "floor-out")

    def DataFile(code):
        return os.path.join(data, code + ".dfx")

    def Job(title, args, code, records, target):
        return {"title": title, "args": args, "code": code, "records": records, "target": target}

    def Export(code, fmt, areas="all", quarters="all", lines="all"):
        return ["export", "--table", code, "--areas", areas, "--quarters", quarters, "--lines", lines,
                "--format", fmt, "--output", out]

    def Print(code, output, quarters="all"):
        return ["print", "--table", code, "--areas", "all", "--quarters", quarters, "--output", output]

    jobs = [
        Job("ZR5N export, comma, 60 areas x 46 lines x 73 quarters", Export("ZR5N", "comma"), "ZR5N", 2760, 1.5),
        Job("ZR5N export, fixed, 60 areas x 46 lines x 73 quarters", Export("ZR5N", "fixed"), "ZR5N", 2760, 1.5),
        Job("ZR5N print-all to HTML, 60 areas, 73 quarters", Print("ZR5N", out + ".htm"), "ZR5N", 2760, 1.5),
        Job("ZR5N print-all to text, 60 areas, 73 quarters", Print("ZR5N", out + ".txt"), "ZR5N", 2760, 1.5),
        Job("ZR1 export, comma, 60 areas x 241 quarters", Export("ZR1", "comma"), "ZR1", 60, 1.5),
        Job("ZR1 export, fixed, 60 areas x 241 quarters", Export("ZR1", "fixed"), "ZR1", 60, 1.5),
        Job("ZR1 print-all to HTML, 241 quarters", Print("ZR1", out + ".htm"), "ZR1", 60, 1.5),
        Job("ZR1 print-all to text, 241 quarters", Print("ZR1", out + ".txt"), "ZR1", 60, 1.5),
    ]

    def Run(job):
        args = [batch, "--data", data] + job["args"]
        output = job["args"][-1]
        # Every run writes a new file, the job as the floor: replacing an
        # existing file adds a sync to disk that protects the earlier one.
        prepare = "rm -f " + output + " " + floorOut
        if os.path.exists(output):
            os.remove(output)
        subprocess.run(args, check=True)
        size = os.path.getsize(output)
        floor = [floorProgram, "--data", DataFile(job["code"]), "--records", str(job["records"]), "--bytes",
                 str(size), "--output", floorOut]
        figure = Measure(Quote(args), Quote(floor), options.rounds, options.runs, prepare, scratch)
        return size, figure

    rows = []
    start = Measure(Quote([batch, "--help"]), Quote([floorProgram, "--help"]), options.rounds, options.runs * 2,
                    None, scratch)
    rows.append(("Start: tarvel-batch --help (floor: a C program printing its help)", None, start, 1.5))
    for job in jobs:
        size, figure = Run(job)
        rows.append((job["title"], size, figure, job["target"]))
    # show of ZR1 as JSON for scripts, held to its text form (to standard
    # output, which hyperfine discards) rather than to the floor.
    show = [batch, "--data", data, "show", "--table", "ZR1", "--area", "1", "--quarters", "all", "--format"]
    size = len(subprocess.run(show + ["json"], check=True, stdout=subprocess.PIPE).stdout)
    figure = Measure(Quote(show + ["json"]), Quote(show + ["text"]), options.rounds, options.runs, None, scratch)
    rows.append(("ZR1 show as JSON, 241 quarters (floor: the same as text)", size, figure, 1.5))

    growth = []
    for areas, lines in ((1, "1"), (10, "1-10"), (60, "all")):
        for quarters, selection in ((4, "last4"), (73, "1990.1-2008.1"), (241, "all")):
            job = Job("", Export("ZR1", "comma", quarters=selection, lines=lines), "ZR1", areas, 0)
            size, figure = Run(job)
            growth.append((areas, quarters, size, figure))
    shutil.rmtree(scratch, ignore_errors=True)

    missed = 0
    if options.markdown:
        print("| job | bytes | time | floor | ratio | CPU ratio | target | verdict |")
        print("|---|---|---|---|---|---|---|---|")
    else:
        print("%-66s %9s %9s %9s %6s %6s %7s  %s" % ("job", "bytes", "time", "floor", "ratio", "cpu", "target",
                                                     "verdict"))
    for title, size, (time, floorTime, cpu, floorCpu), target in rows:
        ratio = time / floorTime
        cpuRatio = cpu / floorCpu
        verdict = "ok" if ratio <= target else "MISSED"
        missed += verdict != "ok"
        cells = (title, "-" if size is None else SizeText(size), TimeText(time), TimeText(floorTime),
                 "%.2f" % ratio, "%.2f" % cpuRatio, "<= %g" % target, verdict)
        if options.markdown:
            print("| " + " | ".join(cells) + " |")
        else:
            print("%-66s %9s %9s %9s %6s %6s %7s  %s" % cells)

    print()
    # Cost per byte above the start of a process: flat when time grows in
    # proportion to the bytes written.
    startTime = start[0]
    if options.markdown:
        print("| areas | quarters | bytes | time | floor | ratio | (time - start) per KB |")
        print("|---|---|---|---|---|---|---|")
    else:
        print("Growth, ZR1 export (comma): %-5s %8s %9s %9s %9s %6s %14s" % (
            "areas", "quarters", "bytes", "time", "floor", "ratio", "(t-start)/KB"))
    for areas, quarters, size, (time, floorTime, cpu, floorCpu) in growth:
        perKb = max(time - startTime, 0) / (size / 1000.0)
        cells = (str(areas), str(quarters), SizeText(size), TimeText(time), TimeText(floorTime),
                 "%.2f" % (time / floorTime), TimeText(perKb))
        if options.markdown:
            print("| " + " | ".join(cells) + " |")
        else:
            print("%28s %-5s %8s %9s %9s %9s %6s %14s" % (("",) + cells))
    print()
    print("time, floor: median wall-clock time of %d runs each, alternating rounds of %d; ratio: time / floor;"
          % (options.rounds * options.runs, options.runs))
    print("cpu: the same for user + system CPU time. Start row: %d runs each." % (options.rounds * options.runs * 2))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(Main())
