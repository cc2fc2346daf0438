#!/usr/bin/env bash
# The start with an oversized layout file, run by hand:
#   bench/oversized-layout.sh build/test/tests/app/vt3417-start-probe [megabytes]
# Makes a program directory whose sources/mform.res is one line of digits of
# that size (default 20 MB), starts the program there (the start probe opens
# the main window and closes it at once) and prints the boxes shown, the
# elapsed time and the peak resident memory. The layout file is not read
# beyond its bound, so neither grows with the file.
set -euo pipefail
probe=$(realpath "${1:?usage: $0 START-PROBE [MEGABYTES]}")
megabytes=${2:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/program/sources"
{
  printf 'object MForm: QPlainTextEdit\n  Lines = '
  head -c $((megabytes * 1024 * 1024)) /dev/zero | tr '\0' '7'
  printf '\nend\n'
} >"$work/program/sources/mform.res"
ls -l "$work/program/sources/mform.res"
(cd "$work/program" && HOME="$work" TMPDIR="$work" QT_QPA_PLATFORM=offscreen \
  ASAN_OPTIONS=detect_leaks=0 /usr/bin/time -v "$probe" 2>"$work/time.txt") | grep -E "^(box|exit)\|"
grep -E "Maximum resident set size|Elapsed" "$work/time.txt"
