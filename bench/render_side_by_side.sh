#!/usr/bin/env bash
# Whole-process pictures side by side: mapory-render (PNG, default styles and labels) against
# gdal_rasterize burning the same file into a GeoTIFF, both 1920 x 1080 at the file's extent,
# on the large sample files of both families (NAMES="..." for others, as the 10x ones). The two
# programs run alternately, five times each by
# default; the median of each and their ratio are printed.
#
#   bash bench/render_side_by_side.sh [BUILD_DIR]      (RUNS=n for another number of runs)
#
# The sample files are made by any of the view benchmarks (build/bin/view_render_bench) into
# $ZAMRA_BENCH_DATA (default /tmp/zamra-bench-data). Hold the build lock while it runs, so that
# builds of other work on the machine do not disturb the timings.
# SPDX-License-Identifier: MIT
set -euo pipefail
export LC_ALL=C  # decimal points in the times, whatever the user's locale

repository=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repository/build}
render=$build/bin/mapory-render
data=${ZAMRA_BENCH_DATA:-/tmp/zamra-bench-data}
runs=${RUNS:-5}
width=1920
height=1080

[ -x "$render" ] || { echo "no $render: build the tools first" >&2; exit 1; }
command -v gdal_rasterize > /dev/null || { echo "gdal_rasterize is missing (apt-get install gdal-bin)" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# shellcheck source=support/timing.sh
source "$repository/bench/support/timing.sh"

printf '%-20s %14s %16s %12s\n' "file" "mapory-render" "gdal_rasterize" "peer / ours"
for name in ${NAMES:-points_1m polygons_100k polylines_200k cluster_points_1x coast_polygons_1x rivers_1x}; do
  shp=$data/$name.shp
  if [ ! -f "$shp" ]; then
    echo "$shp is missing: run $build/bin/view_render_bench once to make the samples" >&2
    exit 1
  fi
  ours=()
  peer=()
  for ((run = 0; run < runs; ++run)); do
    ours+=("$(seconds "$render" -o "$scratch/map.png" -W "$width" -H "$height" "$shp")")
    rm -f "$scratch/burned.tif"
    peer+=("$(seconds gdal_rasterize -q -burn 255 -ot Byte -ts "$width" "$height" "$shp" "$scratch/burned.tif")")
  done
  ourMedian=$(median "${ours[@]}")
  peerMedian=$(median "${peer[@]}")
  printf '%-20s %12.3f s %14.3f s %11.2fx\n' "$name" "$ourMedian" "$peerMedian" "$(awk -v a="$peerMedian" -v b="$ourMedian" 'BEGIN { print a / b }')"
done
