# Shell helpers of the whole-process benchmarks, sourced by them.
# SPDX-License-Identifier: MIT

# Seconds the command takes, as a decimal number; a failing command ends the benchmark.
seconds() {
  local start end
  start=$EPOCHREALTIME
  "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
