#!/usr/bin/env python3
"""Prints the figures of one or more runs as the README's table.

Reads the JSON files run-all wrote (one per bench program, and xflood's
result files under xflood/<case>/) of each run directory given, and
bench/tools/benchmarks.tsv, which says for each benchmark (by its full
name, or by its family: the name before the first '/') whose time it is
and its target. A directory that holds run-1, run-2 ... (run-all --runs)
stands for those runs.

Each figure is the median over the runs (for an even number of runs the
mean of the middle two): the headline time with its range over the runs,
and each counter. A benchmark of the runs missing from the list is printed
with an empty "measures" cell; a listed one missing from every run is
named on stderr, so that a bench dropped from a run shows. A benchmark that
failed in a run says so in its cell.

Usage: table.py <run directory> [<run directory> ...]
"""
import json
import os
import re
import statistics
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = {"name", "run_name", "run_type", "repetitions", "repetition_index", "threads", "iterations",
        "real_time", "cpu_time", "time_unit", "family_index", "per_family_instance_index",
        "items_per_second", "bytes_per_second", "aggregate_name", "aggregate_unit", "error_occurred",
        "error_message", "label"}


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


def run_directories(arguments):
    runs = []
    for directory in arguments:
        nested = sorted((d for d in os.listdir(directory) if re.fullmatch(r"run-\d+", d)),
                        key=lambda d: int(d.split("-")[1]))
        if nested:
            runs.extend(os.path.join(directory, d) for d in nested)
        else:
            runs.append(directory)
    return runs


def read_run(run):
    """The results of one run: {(program, name): bench dict}, in their order."""
    results = {}
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
            results[(program, name)] = bench
    flood = os.path.join(run, "xflood")
    for case in sorted(os.listdir(flood)) if os.path.isdir(flood) else []:
        result = os.path.join(flood, case, "result.json")
        if os.path.exists(result):
            with open(result, encoding="utf-8") as f:
                results[("xflood.py", case)] = {"xflood": json.load(f)}
    return results


def figure(benches, measures):
    """The cell of one benchmark over the runs that have it."""
    failed = [b for b in benches if b.get("error_occurred")]
    good = [b for b in benches if not b.get("error_occurred")]
    notes = [f"error in {len(failed)} of {len(benches)} runs: {failed[0].get('error_message', '')}"] if failed else []
    if not good:
        return "; ".join(notes)
    if "xflood" in good[0]:
        keys = [k for k, v in good[0]["xflood"].items() if isinstance(v, (int, float))]
        values = [f"{k}={number(statistics.median(b['xflood'][k] for b in good if k in b['xflood']))}" for k in keys]
        return " ".join(values + notes)
    # A bench that times the process's CPU says so in its "measures" cell;
    # every other figure is wall time.
    key = "cpu_time" if measures.startswith("process CPU") else "real_time"
    times = [b[key] for b in good]
    text = f"{number(statistics.median(times))} {good[0]['time_unit']}"
    if len(times) > 1:
        text += f" ({number(min(times))}–{number(max(times))})"
    counters = sorted(k for k, v in good[0].items() if k not in SKIP and isinstance(v, (int, float)))
    values = [f"{k}={number(statistics.median(b[k] for b in good if k in b))}" for k in counters]
    return text + ("; " + " ".join(values) if values else "") + ("; " + "; ".join(notes) if notes else "")


def main():
    runs = run_directories(sys.argv[1:])
    if not runs:
        sys.exit(__doc__)
    listed, order = read_list()
    results = [read_run(run) for run in runs]
    keys = []
    for result in results:
        keys.extend(key for key in result if key not in keys)
    figures = "figure" if len(runs) == 1 else f"median of {len(runs)} runs (range)"
    lines = [f"| program | benchmark | measures | {figures} | target |", "|---|---|---|---|---|"]
    seen = set()
    for program, name in keys:
        key = (program, name) if (program, name) in listed else (program, name.split("/")[0])
        measures, target = listed.get(key, ("", ""))
        seen.add(key)
        benches = [result[(program, name)] for result in results if (program, name) in result]
        cell = figure(benches, measures)
        if len(benches) < len(results):
            cell += f"; in {len(benches)} of {len(results)} runs"
        lines.append(f"| `{program}` | {name} | {measures} | {cell} | {target} |")
    for key in order:
        if key not in seen:
            print(f"not in these runs: {key[0]} {key[1]}", file=sys.stderr)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
