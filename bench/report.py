#!/usr/bin/env python3
"""Turns the benchmark's raw runs into the table and results.csv.

    report.py RUNS_CSV RESULTS_CSV METHOD_TEXT
"""
import csv
import statistics
import sys

# (tool, its reference, largest acceptable ratio or None)
COMPARISONS = [
    ("datpack create", "tar -cf", 1.0),
    ("tar -cf", None, None),
    ("datpack extract", "tar -xf", 1.0),
    ("tar -xf", None, None),
    ("InstallFiles", "tar -xf", 1.5),
    ("InstallFiles", "cp -r", None),
    ("no-msg install", "tar -xf", None),
    ("cp -r", None, None),
]
# Peak memory counts as flat while the 1 GiB run stays this close to the
# 256 MiB one: the contents grow by 768 MiB, the entry table by 0.8 MiB.
FLAT_KIB = 4096


def main():
    runs_path, results_path, method = sys.argv[1:4]
    seconds, peaks = {}, {}
    with open(runs_path, newline="") as f:
        for row in csv.DictReader(f):
            key = (row["tool"], row["size"])
            seconds.setdefault(key, []).append(float(row["seconds"]))
            peaks.setdefault(key, []).append(int(row["peak_kib"]))

    def median(table, tool, size):
        return statistics.median(table[(tool, size)])

    rows = []
    for tool, reference, target in COMPARISONS:
        t_small, t_large = median(seconds, tool, "256m"), median(seconds, tool, "1g")
        p_small, p_large = max(peaks[(tool, "256m")]), max(peaks[(tool, "1g")])
        row = {
            "tool": tool,
            "seconds_256m": "%.3f" % t_small,
            "seconds_1g": "%.3f" % t_large,
            "reference": reference or "",
            "reference_seconds_1g": "",
            "ratio_1g": "",
            "target": "",
            "target_met": "",
            "peak_kib_256m": p_small,
            "peak_kib_1g": p_large,
            "memory_flat": "yes" if p_large - p_small <= FLAT_KIB else "no",
        }
        if reference:
            ref = median(seconds, reference, "1g")
            ratio = t_large / ref
            row["reference_seconds_1g"] = "%.3f" % ref
            row["ratio_1g"] = "%.2f" % ratio
            if target is not None:
                row["target"] = "<= %.1f" % target
                row["target_met"] = "yes" if ratio <= target else "no"
        rows.append(row)

    with open(results_path, "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=list(rows[0].keys()))
        writer.writeheader()
        writer.writerows(rows)

    print()
    print("Method: " + method + ".")
    print("Seconds: median wall time; InstallFiles: the harness's own time for InstallFiles under wine64;")
    print("no-msg install: the same with the progress and status reports dropped (not a product figure).")
    print("Peak: largest resident set of the process (GNU time %M; for InstallFiles the wine64 process).")
    print()
    header = "%-16s %9s %9s  %-8s %9s %6s %7s %4s  %10s %10s %5s" % (
        "tool", "256M s", "1G s", "vs", "ref 1G s", "ratio", "target", "met", "peak 256M", "peak 1G", "flat")
    print(header)
    print("-" * len(header))
    for row in rows:
        print("%-16s %9s %9s  %-8s %9s %6s %7s %4s  %7.1f MiB %6.1f MiB %5s" % (
            row["tool"], row["seconds_256m"], row["seconds_1g"], row["reference"], row["reference_seconds_1g"],
            row["ratio_1g"], row["target"], row["target_met"], row["peak_kib_256m"] / 1024.0,
            row["peak_kib_1g"] / 1024.0, row["memory_flat"]))
    print()
    print("Written: " + results_path)


if __name__ == "__main__":
    main()
