#!/usr/bin/env python3
"""Prints the figures of one run as the README's table.

Reads the JSON files run-all wrote (one per bench program, and xflood's
result files under xflood/<case>/) and bench/tools/benchmarks.tsv, which says for each benchmark
(by its full name, or by its family: the name before the first '/') whose
time it is and its target. A benchmark of the run missing from the list is
printed with an empty "measures" cell; a listed one missing from the run is
named on stderr, so that a bench dropped from a run shows.

Usage: table.py <run directory>
"""
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def read_list():
    rows = {}
    order = []
    with open(os.path.join(HERE, "benchmarks.tsv"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            program, name, measures, target = (line.rstrip("\n").split("\t") + ["", "", "", ""])[:4]
            rows[(program, name)] = (measures, target)
            order.append((program, name))
    return rows, order


def number(value):
    if isinstance(value, float) and value != int(value):
        return f"{value:.3g}" if abs(value) < 1000 else f"{value:.0f}"
    return str(int(value)) if isinstance(value, float) else str(value)


def figure(bench, measures):
    # A bench that times the process's CPU says so in its "measures" cell;
    # every other figure is wall time.
    time = bench["cpu_time"] if measures.startswith("process CPU") else bench["real_time"]
    text = f"{number(time)} {bench['time_unit']}"
    skip = {"name", "run_name", "run_type", "repetitions", "repetition_index", "threads", "iterations",
            "real_time", "cpu_time", "time_unit", "family_index", "per_family_instance_index",
            "items_per_second", "bytes_per_second", "aggregate_name", "aggregate_unit", "error_occurred",
            "error_message", "label"}
    counters = [f"{k}={number(v)}" for k, v in sorted(bench.items()) if k not in skip and isinstance(v, (int, float))]
    if bench.get("error_occurred"):
        return "error: " + bench.get("error_message", "")
    return text + ("; " + " ".join(counters) if counters else "")


def main():
    run = sys.argv[1]
    listed, order = read_list()
    seen = set()
    lines = ["| program | benchmark | measures | figure | target |", "|---|---|---|---|---|"]
    for file in sorted(os.listdir(run)):
        if not file.endswith(".json"):
            continue
        program = file[:-5].split(".")[0]  # bench_x.BM_Y.json: a benchmark run alone
        with open(os.path.join(run, file), encoding="utf-8") as f:
            data = json.load(f)
        for bench in data.get("benchmarks", []):
            if bench.get("run_type") == "aggregate":
                continue
            # The library appends how a benchmark runs (iterations:30, real_time) to its name.
            name = "/".join(part for part in bench["name"].split("/")
                            if not re.fullmatch(r"(iterations|repeats|min_time):.*|real_time|manual_time", part))
            key = (program, name) if (program, name) in listed else (program, name.split("/")[0])
            measures, target = listed.get(key, ("", ""))
            seen.add(key)
            lines.append(f"| `{program}` | {name} | {measures} | {figure(bench, measures)} | {target} |")
    flood = os.path.join(run, "xflood")
    for case in sorted(os.listdir(flood)) if os.path.isdir(flood) else []:
        result = os.path.join(flood, case, "result.json")
        if not os.path.exists(result):
            continue
        with open(result, encoding="utf-8") as f:
            data = json.load(f)
        key = ("xflood.py", case)
        measures, target = listed.get(key, ("", ""))
        seen.add(key)
        values = " ".join(f"{k}={number(v)}" for k, v in data.items() if isinstance(v, (int, float)))
        lines.append(f"| `xflood.py` | {case} | {measures} | {values} | {target} |")
    for key in order:
        if key not in seen:
            print(f"not in this run: {key[0]} {key[1]}", file=sys.stderr)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
