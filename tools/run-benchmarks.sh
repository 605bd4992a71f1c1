#!/bin/sh
# Runs every benchmark of a build and prints their figures as one table.
# Usage: tools/run-benchmarks.sh [build-dir]
set -e
build=${1:-build}
out=$(mktemp)
trap 'rm -rf "$out" "$home"' EXIT
# Benchmarks get a throw-away home and stay off the network, like the tests.
home=$(mktemp -d)
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=offscreen
export ZRPS_SERVER_URL=${ZRPS_SERVER_URL:-http://127.0.0.1:1/}
for bench in "$build"/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "running $(basename "$bench")..." >&2
    "$bench" 2>/dev/null | grep '^FIGURE' >> "$out" || echo "$(basename "$bench") failed" >&2
done
awk -F '\t' '
    BEGIN { printf "%-78s %-12s %12s %12s %7s\n", "figure", "target", "measured ms", "baseline ms", "ratio" }
    { printf "%-78s %-12s %12s %12s %7s\n", substr($2, 1, 78), $3, $4, $5, $6 }
' "$out"
