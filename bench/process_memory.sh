#!/usr/bin/env bash
# Peak resident memory of a whole process that loads and draws a file (mapory-render, 1920 x
# 1080, default styles and labels), minus that of the same program drawing a small sample, as a
# ratio to the bytes of the file's .shp, .shx and .dbf. Measured with /usr/bin/time -f %M, the
# median of three runs for each file.
#
#   bash bench/process_memory.sh [BUILD_DIR]     (NAMES="points_1m ..." for other files)
#
# The sample files are made by build/bin/view_load_bench into $ZAMRA_BENCH_DATA (default
# /tmp/zamra-bench-data); ZAMRA_BENCH_SCALES=1,10 makes the ten-times-larger ones too.
# SPDX-License-Identifier: MIT
set -euo pipefail
export LC_ALL=C

repository=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repository/build}
render=$build/bin/mapory-render
data=${ZAMRA_BENCH_DATA:-/tmp/zamra-bench-data}
names=${NAMES:-"points_1m polygons_100k polylines_200k cluster_points_1x coast_polygons_1x rivers_1x"}
[ -x "$render" ] || { echo "no $render: build the tools first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Peak resident kilobytes of mapory-render drawing the given file, the median of three runs.
peak() {
  local runs=()
  for _ in 1 2 3; do
    runs+=("$(/usr/bin/time -f %M "$render" -o "$scratch/map.png" -W 1920 -H 1080 "$1" 2>&1 > /dev/null | tail -n 1)")
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p
}

empty=$(peak "$repository/samples/world_cities.shp")
printf 'empty program (a small sample): %d MB\n' $((empty / 1024))
printf '%-20s %10s %12s %12s %8s\n' "file" "file MB" "peak MB" "peak-empty" "ratio"
for name in $names; do
  shp=$data/$name.shp
  [ -f "$shp" ] || { echo "$shp is missing: run $build/bin/view_load_bench once to make it" >&2; exit 1; }
  bytes=$(( $(stat -c %s "$shp") + $(stat -c %s "${shp%.shp}.shx") + $(stat -c %s "${shp%.shp}.dbf") ))
  kilobytes=$(peak "$shp")
  awk -v n="$name" -v b="$bytes" -v k="$kilobytes" -v e="$empty" 'BEGIN {
    printf "%-20s %10.1f %12.1f %12.1f %7.2fx\n", n, b / 1048576, k / 1024, (k - e) / 1024, (k - e) * 1024 / b }'
done
