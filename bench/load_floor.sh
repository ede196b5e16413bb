#!/usr/bin/env bash
# AddLayer of each large sample against the floor of reading its three files' bytes, both from
# view_load_bench: the median of five repetitions each (the first load of a process also pays
# for the memory it is the first to touch), three runs alternating the two, and the ratio.
#
#   bash bench/load_floor.sh [BUILD_DIR]      (ZAMRA_BENCH_SCALES=1,10 for the large files too)
# SPDX-License-Identifier: MIT
set -euo pipefail
export LC_ALL=C
repository=$(cd "$(dirname "$0")/.." && pwd)
bench=${1:-$repository/build}/bin/view_load_bench
[ -x "$bench" ] || { echo "no $bench: build the benchmarks first" >&2; exit 1; }
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for run in 1 2 3; do
  for which in ViewAddLayer ReadFileBytes; do
    "$bench" --benchmark_filter="^$which/" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
      --benchmark_format=csv 2>/dev/null | grep '_median"' >> "$results"
  done
done
# Rows: "ViewAddLayer/W/S/iterations:3_median",iterations,real,cpu,unit,bytes/s,items/s,label,...
awk -F, '
  { split($1, name, "/"); gsub(/"/, "", name[1]); key = name[2] "/" name[3]; label[key] = $8; gsub(/"/, "", label[key])
    times[name[1], key] = times[name[1], key] " " $3 }
  function median(list,   n, v, i, j, t) { n = split(list, v, " ")
    for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
    return v[int((n + 1) / 2)] }
  END { printf "%-20s %12s %12s %8s\n", "file", "AddLayer ms", "floor ms", "ratio"
    for (key in label) { a = median(times["ViewAddLayer", key]); f = median(times["ReadFileBytes", key])
      printf "%-20s %12.1f %12.1f %7.2fx\n", label[key], a, f, a / f } }' "$results" | sort
