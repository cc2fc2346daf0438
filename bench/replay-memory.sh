#!/usr/bin/env bash
# The capture replay's memory for a large capture, run by hand:
#   bench/replay-memory.sh build/test/tools/vt3417-replay [megabytes]
# Writes a capture of about that size (default 100 MB) of instrument screens,
# replays it with the output thrown away and prints the peak resident memory.
# The replay streams the capture, so the peak stays the same for any size.
set -euo pipefail
replay=${1:?usage: $0 REPLAY-TOOL [MEGABYTES]}
megabytes=${2:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One screen per chunk, 20 ms apart: frame end, then three rows placed by ESC Y.
awk -v bytes=$((megabytes * 1024 * 1024)) 'BEGIN {
  screen = "1b 48 1b 4a 07 1b 59 20 20 55 31 20 20 32 32 30 2e 31 32 20 42 1b 59 21 20 55 32 20 20 32 31 39 2e 38 37 20 42 1b 59 22 20 55 33 20 20 32 32 30 2e 34 30 20 42"
  written = 0
  for (t = 0; written < bytes; t += 20) {
    line = t " " screen
    print line
    written += length(line) + 1
  }
}' >"$work/large.cap"

ls -l "$work/large.cap"
/usr/bin/time -v "$replay" "$work/large.cap" 2>"$work/time.txt" >/dev/null
grep -E "Maximum resident set size|Elapsed" "$work/time.txt"
