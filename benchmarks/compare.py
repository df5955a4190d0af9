#!/usr/bin/env python3
"""Compares a benchmark run with the committed baseline and checks the speed goals.

    scripts/offline.sh build/release/benchmarks/skylorn_benchmarks --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_out=run.json --benchmark_out_format=json
    python3 benchmarks/compare.py benchmarks/baseline.json run.json

Run both on the same machine: the goals are ratios, but a baseline from other hardware only says
which way a change went. Exits 1 when a goal is missed.
"""
import json
import sys


def times(path):
    """Seconds per iteration by benchmark; the median where the run has repetitions."""
    with open(path) as f:
        data = json.load(f)
    unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    result, medians = {}, {}
    for b in data["benchmarks"]:
        if "error_occurred" in b:
            continue
        seconds = b["real_time"] * unit[b["time_unit"]]
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[b["run_name"]] = seconds
        else:
            result[b.get("run_name", b["name"])] = seconds
    result.update(medians)
    return result


def main():
    baseline, run = times(sys.argv[1]), times(sys.argv[2])
    for name, seconds in run.items():
        before = baseline.get(name)
        change = f"{seconds / before:6.2f}x baseline" if before else "   (new)"
        print(f"{name:55} {seconds * 1e6:12.1f} us  {change}")

    failed = False
    engine, bare = run.get("processBlockEngine"), run.get("processBlockBareDsp")
    if engine and bare:
        ratio = engine / bare
        ok = ratio <= 1.05
        failed |= not ok
        print(f"engine / bare DSP: {ratio:.3f} (goal 1.05 or less){'' if ok else '  MISSED'}")

    paint, tick = run.get("editorPaint/0"), run.get("editorTickWithAnalysis")
    if paint and tick:
        total = (paint + tick) * 1e3
        ok = total < 2.0
        failed |= not ok
        print(f"paint + analysis: {total:.2f} ms (goal under 2 ms){'' if ok else '  MISSED'}")

    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
