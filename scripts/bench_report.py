#!/usr/bin/env python3
"""Turns the JSON output of the benchmark programs into build/bench/report.md.

Usage: bench_report.py [--memory FILE] RESULT.json...

Each benchmark "NAME" is set beside "NAME/plain", the same operation done the plain way, with
the time ratio plain / farm. The targets are then checked from the figures and the machine the
run was made on is described.
"""

import argparse
import json
import os
import re
import subprocess
import sys

SUFFIX = re.compile(r"/(min_time|iterations):[^/]+|/manual_time$")
KINDS = ("read", "list", "stat", "write")


def load(paths):
    runs, context = {}, None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data["context"]
        for b in data["benchmarks"]:
            if b.get("run_type", "iteration") != "iteration":
                continue
            name = SUFFIX.sub("", b["name"])
            runs[name] = b
    return runs, context


def millis(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale


def fmt_time(ms):
    if ms >= 100:
        return f"{ms:.0f} ms"
    if ms >= 1:
        return f"{ms:.2f} ms"
    return f"{ms * 1000:.0f} µs"


def fmt_count(x):
    return f"{x:.0f}" if abs(x - round(x)) < 0.05 else f"{x:.1f}"


def fmt_ops(b):
    if "ops" in b:
        parts = [f"{k} {fmt_count(b[k])}" for k in KINDS if b.get(k)]
        return f"{fmt_count(b['ops'])} ({', '.join(parts)})" if parts else "0"
    if "cells" in b:
        return f"{fmt_count(b['cells'])} cells"
    return ""


def table(runs):
    lines = [
        "| benchmark | time | file operations (or cells set) | plain way: time | plain way: "
        "operations | plain / farm |",
        "|---|---:|---|---:|---|---:|",
    ]
    for name, b in runs.items():
        if name.endswith("/plain"):
            continue
        plain = runs.get(name + "/plain")
        row = [f"`{name}`", fmt_time(millis(b)), fmt_ops(b)]
        if plain:
            ratio = millis(plain) / millis(b)
            row += [fmt_time(millis(plain)), fmt_ops(plain), f"{ratio:.1f}×"]
        else:
            row += ["", "", ""]
        lines.append("| " + " | ".join(row) + " |")
    return lines


def ratio(runs, name):
    return millis(runs[name + "/plain"]) / millis(runs[name])


def targets(runs, memory_mib):
    """(description, met, figures) for every target; a missing benchmark counts as missed."""
    checks = []

    def check(description, test):
        try:
            met, figures = test()
        except KeyError as missing:
            met, figures = False, f"no result for {missing}"
        checks.append((description, met, figures))

    def scan3000():
        rows = []
        met = True
        for images in ("all", "half", "none"):
            name = f"scanImages/frames:3000/images:{images}/share"
            b, r = runs[name], ratio(runs, name)
            met = met and b["ops"] <= 3 and r >= 100
            rows.append(f"{images}: {fmt_count(b['ops'])} ops, {r:.0f}×")
        return met, "; ".join(rows)

    check("scanImages of a 3000-frame scene: at most 3 file operations and at least 100 times "
          "less time than one lookup per frame (1 ms round trip)", scan3000)

    def whole3000():
        base = "wholeImageScan/frames:3000/"
        names = runs[base + "names_only/share"]
        first = runs[base + "first_look/share"]
        again = runs[base + "checked_before/share"]
        local = {row: millis(runs[base + row + "/local"])
                 for row in ("names_only", "first_look", "checked_before")}
        met = (first["list"] == 1 and first["read"] <= 3000 and again["list"] == 1
               and again["read"] == 0)
        return met, (f"first look: {fmt_ops(first)}; checked before: {fmt_ops(again)}, "
                     f"{fmt_time(millis(again))} against {fmt_time(millis(names))} by names "
                     f"alone; locally {fmt_time(local['checked_before'])} against "
                     f"{fmt_time(local['names_only'])} "
                     f"({local['checked_before'] / local['names_only']:.1f}×), first look "
                     f"{fmt_time(local['first_look'])}")

    check("An image scan of 3000 whole images: one listing and at most one read per image not "
          "checked before in the run; none read when all were checked before", whole3000)

    def poll_rendering():
        name = "pollNodes/rendering_waiting/nodes:30/share"
        b, plain, r = runs[name], runs[name + "/plain"], ratio(runs, name)
        return (b["list"] == 1 and b["ops"] == 1,
                f"{fmt_ops(b)} ({fmt_count(plain['ops'])} the plain way), "
                f"{fmt_time(millis(b))} against {fmt_time(millis(plain))}: {r:.0f}×")

    check("pollNodes at 30 nodes, all Rendering with nothing changed: one listing of the command "
          "folder and no read", poll_rendering)

    def look_unchanged():
        name = "ackLook/nodes:30/unchanged/share"
        b, plain, r = runs[name], runs[name + "/plain"], ratio(runs, name)
        return (b["list"] == 1 and b["ops"] == 1 and r >= 10,
                f"{fmt_ops(b)} against {fmt_ops(plain)} for one read per node; "
                f"{fmt_time(millis(b))} against {fmt_time(millis(plain))}: {r:.0f}×")

    check("A look at 30 nodes with nothing changed: one listing and no read, at least 10 times "
          "less time than one read per node (1 ms round trip)", look_unchanged)

    def look_one():
        b = runs["ackLook/nodes:30/one_changed/share"]
        return (b["list"] == 1 and b["read"] == 1 and b["ops"] == 2,
                f"{fmt_ops(b)}, {fmt_time(millis(b))}")

    check("A look at 30 nodes with one answer changed: one listing and one read", look_one)

    def reaction():
        rows = []
        met = True
        for where in ("local", "share"):
            name = f"reaction/nodes:30/{where}"
            b, plain = runs[name], runs[name + "/plain"]
            met = met and millis(b) < 200
            rows.append(f"{where}: {fmt_time(millis(b))} (the ticks alone: "
                        f"{fmt_time(millis(plain))}, {ratio(runs, name):.0f}×)")
        return met, "; ".join(rows)

    check("From a node's answer to the farm's next command at 30 nodes: under 200 ms on average "
          "with Ack_Look_ms 100, locally and with 1 ms round trips", reaction)

    def poll_ready():
        name = "pollNodes/ready_nothing_to_do/nodes:30/share"
        b = runs[name]
        besides = b["ops"] - b["write"]
        return (b["read"] <= 150 and besides <= 150,
                f"{fmt_count(b['read'])} reads and {fmt_count(b['write'])} writes of \"wait\" "
                f"({ratio(runs, name):.1f}× less time than the plain way)")

    check("pollNodes at 30 nodes, all Ready with nothing to hand out: at most one read per node "
          "per pass besides the \"wait\" written", poll_ready)

    def check_queue():
        b = runs["checkSceneQueue/unchanged/scenes:299/share"]
        return (b["list"] == 1 and b["stat"] == 1 and b["read"] == 0 and b["write"] == 0,
                f"{fmt_ops(b)}, {fmt_time(millis(b))}")

    check("checkSceneQueue with nothing changed: one listing and one free-space query, no file "
          "read or written", check_queue)

    def tick():
        share = millis(runs["farmTick/full/share"])
        local = millis(runs["farmTick/full/local"])
        return (share < 200 and local < 5,
                f"{fmt_time(share)} with 1 ms round trips, {fmt_time(local)} locally")

    check("A full farmTick at full scale with nothing changing: under 200 ms with 1 ms round "
          "trips, under 5 ms locally", tick)

    def queue_list():
        b = runs["refreshQueueList/scenes:299/unchanged"]
        return (millis(b) < 2 and b["cells"] == 0,
                f"{fmt_time(millis(b))}, {fmt_count(b['cells'])} cells set")

    check("refreshQueueList at 299 scenes with nothing changed: under 2 ms, no cell set",
          queue_list)

    if memory_mib is not None:
        checks.append(("Peak memory of kestrun-headless at full tables under 64 MiB",
                       memory_mib < 64, f"{memory_mib:.1f} MiB"))
    else:
        checks.append(("Peak memory of kestrun-headless at full tables under 64 MiB", False,
                       "not measured"))
    return checks


def machine(context):
    def first(path, key):
        try:
            with open(path) as f:
                for line in f:
                    if line.startswith(key):
                        return line.split(":", 1)[1].strip()
        except OSError:
            pass
        return "unknown"

    mem_kib = first("/proc/meminfo", "MemTotal").split()[0]
    mem = f"{int(mem_kib) / 1048576:.1f} GiB" if mem_kib.isdigit() else "unknown"
    kernel = subprocess.run(["uname", "-sr"], capture_output=True, text=True).stdout.strip()
    return [
        f"- CPU: {first('/proc/cpuinfo', 'model name')}, {os.cpu_count()} logical CPUs (nproc), "
        f"{context.get('mhz_per_cpu', '?')} MHz",
        f"- Memory: {mem}",
        f"- System: {kernel}",
        f"- Run: {context.get('date', '?')}, load average "
        + ", ".join(f"{x:.2f}" for x in context.get("load_avg", [])),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--memory", help="file holding the peak memory in KiB")
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()
    runs, context = load(args.results)
    memory_mib = None
    if args.memory and os.path.exists(args.memory):
        with open(args.memory) as f:
            text = f.read().strip()
        memory_mib = int(text) / 1024 if text.isdigit() else None

    out = ["# Benchmark report", "", "## Machine", ""] + machine(context)
    out += ["", "## Targets", "", "| target | met | figures |", "|---|---|---|"]
    for description, met, figures in targets(runs, memory_mib):
        label = met if isinstance(met, str) else "yes" if met else "**no**"
        out.append(f"| {description} | {label} | {figures} |")
    out += ["", "## Figures", "",
            "Times are wall-clock per iteration; `/share` runs wait 1 ms before every file "
            "operation. File operations are per iteration: read (opens), list (directory "
            "listings), stat (existence, time and free-space queries), write (writes, renames, "
            "deletes).", ""]
    out += table(runs)
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
