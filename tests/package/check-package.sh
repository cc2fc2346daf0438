#!/usr/bin/env bash
# Checks a built Debian package: its file list and control fields, then starts
# the packaged program, unpacked into a temporary root, the way a menu does
# (fresh HOME, a working directory without sources/) and looks for the program
# folder it must make in the documents folder. Runs lintian when installed.
#   tests/package/check-package.sh build/package/vt3417_<version>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(realpath "$1")

failures=0
fail() {
  echo "check-package: $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
program_pid=
cleanup() {
  if [[ -n "$program_pid" ]]; then kill "$program_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

check_file_list() {
  local listing expected
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  expected=(
    ./usr/bin/vt3417 ./usr/bin/vt3417-sim ./usr/bin/vt3417-replay ./usr/bin/vt3417-copy-db
    ./usr/bin/vt3417-import-legacy
    ./usr/share/applications/vt3417.desktop
    ./usr/share/icons/hicolor/scalable/apps/vt3417.svg
    ./usr/share/icons/hicolor/48x48/apps/vt3417.png
    ./usr/share/icons/hicolor/256x256/apps/vt3417.png
    ./usr/share/doc/vt3417/README.md ./usr/share/doc/vt3417/copyright ./usr/share/doc/vt3417/changelog.gz
    ./usr/share/man/man1/vt3417.1.gz ./usr/share/man/man1/vt3417-sim.1.gz ./usr/share/man/man1/vt3417-replay.1.gz
    ./usr/share/man/man1/vt3417-copy-db.1.gz ./usr/share/man/man1/vt3417-import-legacy.1.gz
  )
  # Every shipped data file of the source tree.
  local shipped
  while IFS= read -r shipped; do
    expected+=("./usr/share/vt3417/sources/$shipped")
  done < <(cd "$root/data/sources" && find . -type f -printf '%P\n' | sort)
  local path
  for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$listing" || fail "the package lacks $path"
  done
  for path in ./usr/share/vt3417/sources/look.doc ./usr/share/vt3417/sources/Glook.doc ./usr/share/vt3417/sources/look.xls; do
    grep -qxF "$path" <<<"$listing" || fail "the package lacks the template $path"
  done
}

check_control() {
  local version depends
  version=$(sed -n 's/^project(vt3417 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
  [[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "package version is not the project's $version"
  [[ "$(basename "$deb")" == "vt3417_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ]] ||
    fail "unexpected file name $(basename "$deb")"
  # A multi-line description reaches the control file as it is written.
  if dpkg-deb -f "$deb" Description | grep -q '^ ;'; then fail "garbled Description"; fi
  depends=$(dpkg-deb -f "$deb" Depends)
  local needed
  # libqt6core6, libzip and pxlib come from the binaries (shlibdeps), the rest are plug-ins.
  for needed in libqt6core6 libqt6widgets6 libqt6serialport6 libzip4 pxlib1 libqt6sql6-sqlite libqt6sql6-psql qt6-qpa-plugins; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
  done
}

check_unpacked() {
  local unpacked="$work/root"
  dpkg-deb -x "$deb" "$unpacked"
  local desktop="$unpacked/usr/share/applications/vt3417.desktop"
  grep -qxF 'Name=ВТ3417 Сбор данных' "$desktop" || fail "desktop entry: wrong Name"
  grep -qxF 'Exec=vt3417' "$desktop" || fail "desktop entry: wrong Exec"
  grep -qxF 'Icon=vt3417' "$desktop" || fail "desktop entry: wrong Icon"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate found problems"
  fi
  local size
  for size in 48 256; do
    file "$unpacked/usr/share/icons/hicolor/${size}x$size/apps/vt3417.png" | grep -q "$size x $size" ||
      fail "the ${size}x$size icon has another size"
  done
  local tool
  for tool in vt3417-sim vt3417-replay vt3417-copy-db vt3417-import-legacy; do
    "$unpacked/usr/bin/$tool" --help >/dev/null || fail "$tool --help failed"
  done
  start_like_a_menu "$unpacked"
}

# The program runs until its window closes; it is stopped once the folder and
# the database are there (or after a minute).
start_like_a_menu() {
  local unpacked="$1"
  local home="$work/home" started_in="$work/started-in" tmp="$work/tmp"
  mkdir -p "$home" "$started_in" "$tmp"
  (cd "$started_in" && exec env -i PATH=/usr/bin:/bin HOME="$home" TMPDIR="$tmp" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen "$unpacked/usr/bin/vt3417" >"$work/program.log" 2>&1) &
  program_pid=$!
  local own="$home/Documents/VT3417" waited=0
  until [[ -f "$own/sources/look.doc" && -s "$own/base/vt3417.sqlite" ]]; do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      fail "the program ended at start: $(cat "$work/program.log")"
      program_pid=
      return
    fi
    if ((waited >= 600)); then
      fail "no $own with sources/look.doc and base/vt3417.sqlite after a minute"
      break
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
  local shipped
  for shipped in "$unpacked"/usr/share/vt3417/sources/*; do
    cmp -s "$shipped" "$own/sources/$(basename "$shipped")" || fail "$(basename "$shipped") was not copied to $own/sources"
  done
  [[ -d "$own/protocols" ]] || fail "no $own/protocols"
  [[ -z "$(ls -A "$started_in")" ]] || fail "the program wrote into the directory it was started in"
}

run_lintian() {
  if ! command -v lintian >/dev/null; then
    echo "check-package: lintian is not installed, skipped" >&2
    return
  fi
  lintian --fail-on error "$deb" || fail "lintian reports errors"
}

check_file_list
check_control
check_unpacked
run_lintian
if ((failures > 0)); then
  echo "check-package: $failures problem(s) in $(basename "$deb")" >&2
  exit 1
fi
echo "check-package: $(basename "$deb") is fine"
