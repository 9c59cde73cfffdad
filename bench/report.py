#!/usr/bin/python3
"""Turns the benchmark's raw samples into its one table: medians per program, ratios to the floor,
and the launcher's goals marked met or missed.

usage: report.py SAMPLES_CSV [--size NAME=BYTES]... [--note TEXT]"""
import argparse
import csv
import statistics
import sys

PROGRAMS = [("autorun", "autorun"), ("floor", "floor (Xlib)"), ("tk", "Tk + Pillow"),
            ("sdl2", "SDL2")]


def read_samples(path):
    samples = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            samples.setdefault((row["program"], row["mode"]), []).append(row)
    return samples


def median(rows, field):
    values = [float(r[field]) for r in rows if r["status"] == "ok" and r[field] != ""]
    return statistics.median(values) if values else None


def fmt(value, digits=1):
    return "–" if value is None else f"{value:.{digits}f}"


def ratio(value, floor):
    return None if value is None or not floor else value / floor


def verdict(ok):
    return "n/a" if ok is None else ("met" if ok else "**missed**")


def check(value, test):
    return None if value is None else test(value)


def build_rows(samples, sizes):
    def m(program, mode, field):
        return median(samples.get((program, mode), []), field)

    def per_program(mode, field, scale=1.0):
        out = {}
        for p, _ in PROGRAMS:
            v = m(p, mode, field)
            out[p] = None if v is None else v * scale
        return out

    paint = per_program("paint", "paint_ms")
    cpu = per_program("paint", "cpu_ms")
    rss = per_program("paint", "maxrss_kb", 1 / 1024)
    paint_x = {p: ratio(v, paint["floor"]) for p, v in paint.items()}
    cpu_x = {p: ratio(v, cpu["floor"]) for p, v in cpu.items()}
    pending = m("autorun", "click", "pending_ms")
    started = m("autorun", "click", "start_ms")
    idle = per_program("idle", "wakeups_s")
    size = {p: (sizes[p] / 1024 if p in sizes else None) for p, _ in PROGRAMS}

    def runs(p):
        rows = [r for (prog, _), rs in samples.items() if prog == p for r in rs]
        failed = sum(r["status"] != "ok" for r in rows)
        return f"{len(rows) - failed}/{len(rows)}" if rows else "–"

    def only_autorun(value, digits=1):
        return {"autorun": fmt(value, digits)}

    def cells(values, digits=1):
        return {p: fmt(v, digits) for p, v in values.items()}

    return [
        ("first paint, ms (median)", cells(paint), "", ""),
        ("first paint ÷ floor", cells(paint_x, 2), "≤ 1.15",
         verdict(check(paint_x["autorun"], lambda v: v <= 1.15))),
        ("CPU per start, ms (median)", cells(cpu), "", ""),
        ("CPU per start ÷ floor", cells(cpu_x, 2), "≤ 1.5",
         verdict(check(cpu_x["autorun"], lambda v: v <= 1.5))),
        ("peak memory, MB (median)", cells(rss), "≤ 8",
         verdict(check(rss["autorun"], lambda v: v <= 8))),
        ("stripped binary, KB", cells(size, 0), "", ""),
        ("click → pending look, ms", only_autorun(pending, 2), "≤ 5",
         verdict(check(pending, lambda v: v <= 5))),
        ("click → installer started, ms", only_autorun(started, 2), "10 – 15",
         verdict(check(started, lambda v: 10 <= v <= 15))),
        ("idle wake-ups per s", cells(idle, 2), "0", verdict(check(idle["autorun"], lambda v: v == 0))),
        ("runs ok / all", {p: runs(p) for p, _ in PROGRAMS}, "all ok",
         verdict(None if runs("autorun") == "–" else
                 runs("autorun").split("/")[0] == runs("autorun").split("/")[1])),
    ]


def print_table(rows):
    header = ["measure"] + [title for _, title in PROGRAMS] + ["goal (autorun)", "autorun"]
    table = [[name] + [values.get(p, "–") for p, _ in PROGRAMS] + [goal, met]
             for name, values, goal, met in rows]
    widths = [max(len(r[i]) for r in [header] + table) for i in range(len(header))]

    def line(cells):
        parts = [c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in
                 enumerate(zip(cells, widths))]
        return "| " + " | ".join(parts) + " |"

    print(line(header))
    print("|" + "|".join(("-" * (w + 1) + ":") if i else "-" * (w + 2)
                         for i, w in enumerate(widths)) + "|")
    for r in table:
        print(line(r))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("samples")
    parser.add_argument("--size", action="append", default=[], metavar="NAME=BYTES")
    parser.add_argument("--note", default="")
    args = parser.parse_args()
    sizes = {name: int(value) for name, value in (s.split("=", 1) for s in args.size)}
    if args.note:
        print(args.note)
        print()
    print_table(build_rows(read_samples(args.samples), sizes))
    return 0


if __name__ == "__main__":
    sys.exit(main())
