#!/usr/bin/python3
"""Measures the benchmarks of the ratio goals under callgrind, so that the figures do not depend on
what else the machine runs: instructions, simulated cache misses and the cycle estimate made of
them (instructions + 10 per first-level miss + 100 per last-level miss) for one iteration of each,
then every goal's ratio with "ok" or "missed" judged on the cycle estimate.

    bench/instructions.py [build/bench/bin/quarrix_bench]      (MIN_TIME=seconds, default 0.2)

Each benchmark runs alone in its own process; only the parts marked by bench/MeasuredPart.h are
counted, not their set-up, and the figures are per part. The simulated caches are the host's."""

import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report import RATIOS  # noqa: E402  (the goals are stated once, in report.py)

FIRST_LEVEL_MISSES = ("I1mr", "D1mr", "D1mw")
LAST_LEVEL_MISSES = ("ILmr", "DLmr", "DLmw")
MARK = "MeasuredPart::~MeasuredPart"
# Long enough for the small benchmarks to run thousands of parts with warm caches; the large ones
# run once or twice.
MIN_TIME = os.environ.get("MIN_TIME", "0.2")


def read_totals(path: str) -> tuple[dict, int]:
    """The event totals of a callgrind output file, and how often MeasuredPart ended."""
    events, totals, names = [], [], {}
    parts, called = 0, False
    with open(path, encoding="utf-8", errors="replace") as handle:
        for line in handle:
            if line.startswith("cfn="):
                # "cfn=(id) name" names a function once; later references give the id alone.
                reference, _, name = line[4:].strip().partition(" ")
                names.setdefault(reference, name)
                called = MARK in names[reference]
            elif line.startswith("calls=") and called:
                parts += int(line[6:].split()[0])
                called = False
            elif line.startswith("events:"):
                events = line.split()[1:]
            elif line.startswith(("totals:", "summary:")):
                totals = [int(value) for value in line.split()[1:]]
    if not events or not totals or not parts:
        raise RuntimeError(f"{path} holds no event totals or no measured part")
    return dict(zip(events, totals + [0] * (len(events) - len(totals)))), parts


def measure(binary: str, name: str, folder: str) -> dict:
    stem = os.path.join(folder, name.replace("/", "_"))
    command = [
        "valgrind", "--tool=callgrind", "--cache-sim=yes", "--collect-atstart=no",
        f"--callgrind-out-file={stem}.callgrind", binary,
        f"--benchmark_filter=^{name}$", f"--benchmark_min_time={MIN_TIME}",
        f"--benchmark_out={stem}.json", "--benchmark_out_format=json",
    ]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(f"{stem}.json", encoding="utf-8") as handle:
        runs = [entry for entry in json.load(handle)["benchmarks"] if entry.get("run_type") == "iteration"]
    if not runs or any(run.get("error_occurred") for run in runs):
        raise RuntimeError(f"{name} did not run without error under callgrind")
    # Every run counts, the runner's own estimating runs included: hence the parts, not iterations.
    totals, parts = read_totals(f"{stem}.callgrind")
    first = sum(totals.get(event, 0) for event in FIRST_LEVEL_MISSES)
    last = sum(totals.get(event, 0) for event in LAST_LEVEL_MISSES)
    figures = {"instructions": totals["Ir"], "first-level misses": first, "last-level misses": last,
               "cycle estimate": totals["Ir"] + 10 * first + 100 * last}
    return {key: value / parts for key, value in figures.items()}


def main(binary: str) -> int:
    names = []
    for _, numerator, denominator, _ in RATIOS:
        names += [name for name in (numerator, denominator) if name not in names]
    results = {}
    with tempfile.TemporaryDirectory(prefix="quarrix-callgrind-") as folder:
        for name in names:
            print(f"measuring {name} under callgrind ...", file=sys.stderr, flush=True)
            results[name] = measure(binary, name, folder)
    columns = ("instructions", "first-level misses", "last-level misses", "cycle estimate")
    print(f"\n{'benchmark (per iteration)':32}" + "".join(f"{column:>20}" for column in columns))
    for name, figures in results.items():
        print(f"{name:32}" + "".join(f"{figures[column]:>20,.0f}" for column in columns))
    print()
    for label, numerator, denominator, goal in RATIOS:
        top, bottom = results[numerator], results[denominator]
        instructions = top["instructions"] / bottom["instructions"]
        cycles = top["cycle estimate"] / bottom["cycle estimate"]
        verdict = "ok" if cycles <= goal else "missed"
        print(f"goal {label:56} instructions {instructions:6.2f}  cycle estimate {cycles:6.2f}"
              f"  (<= {goal:g}: {verdict})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build/bench/bin/quarrix_bench"))
