#!/usr/bin/env bash
# Smooth (antialiased) whole-process pictures side by side: mapory-render -a (PNG, default styles)
# against mapnik drawing the same file styled alike (bench/mapnik_render.py, python3-mapnik), both
# 1920 x 1080 at the file's extent. The two run alternately, five times each by default; the
# median of each and their ratio are printed.
#
#   bash bench/smooth_side_by_side.sh [BUILD_DIR]    (RUNS=n, NAMES="points_1m ..." for others)
#
# The sample files are made by build/bin/view_load_bench into $ZAMRA_BENCH_DATA (default
# /tmp/zamra-bench-data).
# SPDX-License-Identifier: MIT
set -euo pipefail
export LC_ALL=C

repository=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repository/build}
render=$build/bin/mapory-render
data=${ZAMRA_BENCH_DATA:-/tmp/zamra-bench-data}
runs=${RUNS:-5}
names=${NAMES:-"points_1m polygons_100k polylines_200k cluster_points_1x coast_polygons_1x rivers_1x"}
[ -x "$render" ] || { echo "no $render: build the tools first" >&2; exit 1; }
/usr/bin/python3 -c "import mapnik" 2> /dev/null || { echo "python3-mapnik is missing (apt-get install python3-mapnik)" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# shellcheck source=support/timing.sh
source "$repository/bench/support/timing.sh"

printf '%-20s %16s %12s %12s\n' "file" "mapory-render -a" "mapnik" "peer / ours"
for name in $names; do
  shp=$data/$name.shp
  [ -f "$shp" ] || { echo "$shp is missing: run $build/bin/view_load_bench once to make it" >&2; exit 1; }
  ours=()
  peer=()
  for ((run = 0; run < runs; ++run)); do
    ours+=("$(seconds "$render" -a -o "$scratch/ours.png" -W 1920 -H 1080 "$shp")")
    peer+=("$(seconds /usr/bin/python3 "$repository/bench/mapnik_render.py" "$shp" "$scratch/peer.png" 1920 1080)")
  done
  ourMedian=$(median "${ours[@]}")
  peerMedian=$(median "${peer[@]}")
  printf '%-20s %14.3f s %10.3f s %11.2fx\n' "$name" "$ourMedian" "$peerMedian" \
    "$(awk -v a="$peerMedian" -v b="$ourMedian" 'BEGIN { print a / b }')"
done
