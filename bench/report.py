#!/usr/bin/python3
"""Prints the benchmark results of a Google Benchmark JSON file with the figures the project's
goals are stated in: time per line or call, and the ratios between related benchmarks."""

import json
import sys

# (label, numerator benchmark, denominator benchmark, goal: the ratio must not exceed it)
RATIOS = [
    ("reading the payload / splitting it into line strings", "BM_ParsePayload", "BM_SplitLinesToStrings", 3.0),
    ("reading the payload / splitting it into line views", "BM_ParsePayload", "BM_SplitLinesToViews", 3.0),
    ("PrepareScript 100,000 lines / 10,000 lines", "BM_PrepareScript/100000", "BM_PrepareScript/10000", 11.0),
    ("per-line refresh / a \"Set Variable\" line", "BM_PerLineRefresh", "BM_SetVariableLine", 1.0),
    ("running a 100,000-line script / PrepareScript over it", "BM_ExecuteScript", "BM_PrepareExecutedScript", 5.0),
]

# (label, benchmark, goal: nanoseconds per item must not exceed it)
PER_ITEM = [
    ("one progress message through the handler and reporter", "BM_HandleProgressMessage", 2000.0),
    ("loading and binding one dialog", "BM_LoadAndBindDialog", 5e6),
]

NANOSECONDS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def refresh_share(runs: dict) -> None:
    """The part of a whole script run spent in the refresh before each line."""
    run, refresh = runs.get("BM_ExecuteScript"), runs.get("BM_PerLineRefresh")
    if not run or not refresh or "lines_run" not in run:
        return
    run_ns = run["cpu_time"] * NANOSECONDS[run["time_unit"]]
    refresh_ns = refresh["cpu_time"] * NANOSECONDS[refresh["time_unit"]] * run["lines_run"]
    lines_per_second = run["lines_run"] / run_ns * 1e9
    print(f"{'lines run per second':56} {lines_per_second:,.0f}")
    print(f"{'share of the run spent in the per-line refresh':56} {refresh_ns / run_ns:6.1%}")


def main(path: str) -> int:
    with open(path, encoding="utf-8") as handle:
        results = json.load(handle)
    # With repetitions, the median stands for a benchmark; otherwise its single run does.
    runs = {}
    for entry in results["benchmarks"]:
        name = entry.get("run_name", entry["name"])
        if entry.get("run_type") == "aggregate" and entry.get("aggregate_name") == "median":
            runs[name] = entry
        elif entry.get("run_type") == "iteration" and name not in runs:
            runs[name] = entry
    print(f"\n{'benchmark':40} {'cpu time':>14} {'per item':>12}")
    for name, entry in runs.items():
        unit = entry["time_unit"]
        per_item = ""
        if entry.get("items_per_second"):
            per_item = f"{1e9 / entry['items_per_second']:.1f} ns"
        print(f"{name:40} {entry['cpu_time']:>11.3f} {unit:2} {per_item:>12}")
    missed = 0
    print()
    for label, numerator, denominator, goal in RATIOS:
        if numerator not in runs or denominator not in runs:
            continue
        ratio = runs[numerator]["cpu_time"] / runs[denominator]["cpu_time"]
        verdict = "ok" if ratio <= goal else "missed"
        missed += verdict != "ok"
        print(f"goal {label:56} {ratio:6.2f}  (<= {goal:g}: {verdict})")
    for label, name, goal in PER_ITEM:
        rate = runs.get(name, {}).get("items_per_second")
        if not rate:
            continue
        per_item = 1e9 / rate
        verdict = "ok" if per_item <= goal else "missed"
        missed += verdict != "ok"
        print(f"goal {label:56} {per_item:6.0f} ns  (<= {goal:g} ns: {verdict})")
    refresh_share(runs)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build/bench/results.json"))
