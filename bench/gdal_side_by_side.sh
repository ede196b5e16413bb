#!/usr/bin/env bash
# Loading other formats side by side, each timed inside its own process with start-up left out:
# AddLayer (bench/gdal_formats_bench.cpp), OGR's plain read of every feature (the floor of
# anything built on GDAL) and, when python3-qgis is installed, QGIS reading every feature through
# its OGR provider (bench/qgis_load.py). The three run in turn, RUNS rounds (3 by default) of three
# repetitions each; the median of the rounds' medians and the ratios are printed.
#
#   bash bench/gdal_side_by_side.sh [BUILD_DIR]
#
# The converted files are made by gdal_formats_bench with ogr2ogr into $ZAMRA_BENCH_DATA/gdal.
# SPDX-License-Identifier: MIT
set -euo pipefail
export LC_ALL=C

repository=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repository/build}
bench=$build/bin/gdal_formats_bench
data=${ZAMRA_BENCH_DATA:-/tmp/zamra-bench-data}
runs=${RUNS:-3}
files=(polygons_100k.gpkg polygons_100k.fgb points_1m.gpkg)  # in the benchmark's order
[ -x "$bench" ] || { echo "no $bench: build the benchmarks first" >&2; exit 1; }
qgis=yes
/usr/bin/python3 -c "import qgis.core" 2> /dev/null || qgis=""

# shellcheck source=support/timing.sh
source "$repository/bench/support/timing.sh"

# The median in milliseconds of one benchmark of gdal_formats_bench.
benchmark_ms() {
  "$bench" --benchmark_filter="^$1\$" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2> /dev/null | awk -F, '/_median"/ { print $3 }'
}

printf '%-20s %10s %10s %10s %12s %12s\n' "file" "AddLayer" "OGR read" "QGIS" "ours / OGR" "QGIS / ours"
for index in "${!files[@]}"; do
  ours=()
  floor=()
  peer=()
  for ((run = 0; run < runs; ++run)); do
    ours+=("$(benchmark_ms "ViewAddLayerGdal/$index/real_time")")
    floor+=("$(benchmark_ms "OgrPlainRead/$index/real_time")")
    if [ -n "$qgis" ]; then
      peer+=("$(QT_QPA_PLATFORM=offscreen /usr/bin/python3 "$repository/bench/qgis_load.py" \
        "$data/gdal/${files[$index]}" 3 2> /dev/null | awk '{ print $1 }')")
    fi
  done
  ourMedian=$(median "${ours[@]}")
  floorMedian=$(median "${floor[@]}")
  peerMedian=$([ -n "$qgis" ] && median "${peer[@]}" || echo 0)
  printf '%-20s %7.0f ms %7.0f ms %7.0f ms %11.2fx %11.2fx\n' "${files[$index]}" "$ourMedian" "$floorMedian" \
    "$peerMedian" "$(awk -v a="$ourMedian" -v b="$floorMedian" 'BEGIN { print a / b }')" \
    "$(awk -v a="$peerMedian" -v b="$ourMedian" 'BEGIN { print a / b }')"
done
[ -n "$qgis" ] || echo "QGIS not compared: python3-qgis is not installed"
