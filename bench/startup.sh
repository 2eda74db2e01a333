#!/usr/bin/env bash
# Start-up to the first drawn frame of the first window, on a folder of 1,000 files, and
# resident memory 3 s later: PCManFM-Qt (the reference) and Marovel, interleaved in one
# run, 1 warm-up and 10 rounds each, medians and ratios.
#
# Each start runs under a private Xvfb and a private D-Bus session, with its own temporary
# HOME and XDG folders and the Adwaita icon theme; the timer (bench/startup/first_frame.cpp)
# starts the program, stops at the first XDamage notification of its first mapped
# top-level window, reads its VmRSS 3 s later and stops it by its process id.
#
# Marovel is the application itself, `marovel <folder>`: the single instance, the crash
# marker, the window with its menus and the first listing of the folder. Its warm-up start
# tries the one automatic model download, as a user's first start does; the measured
# rounds start as every later start does.
set -euo pipefail
build=${1:?build folder}
build=$(cd "$build" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rounds=10
count=1000

# What the benchmark needs beyond the build: installed when missing.
missing=()
command -v Xvfb >/dev/null 2>&1 || missing+=(xvfb)
command -v pcmanfm-qt >/dev/null 2>&1 || missing+=(pcmanfm-qt)
command -v dbus-daemon >/dev/null 2>&1 || missing+=(dbus-daemon)
for p in libx11-dev libxdamage-dev adwaita-icon-theme; do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "startup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq >/dev/null
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

timer="$build/bench/marovel-first-frame"
mkdir -p "$build/bench"
if [ ! -x "$timer" ] || [ "$here/startup/first_frame.cpp" -nt "$timer" ]; then
  g++ -std=c++20 -O2 -Wall -o "$timer" "$here/startup/first_frame.cpp" -lXdamage -lX11
fi

marovel=("$build/bin/marovel")
marovel_name="marovel"
[ -x "${marovel[0]}" ] || { echo "startup: ${marovel[0]} is not built"; exit 1; }

work=$(mktemp -d /tmp/marovel-bench-startup.XXXXXX)
xvfb_pid=""
dbus_pid=""
cleanup() {
  [ -n "$dbus_pid" ] && kill "$dbus_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

folder="$work/files"
mkdir -p "$folder"
for i in $(seq -w 1 $count); do
  case $((10#$i % 4)) in
    0) printf 'note %s\n' "$i" > "$folder/note-$i.txt" ;;
    1) printf '%%PDF-1.4\n%% %s\n' "$i" > "$folder/scan-$i.pdf" ;;
    2) printf 'x' > "$folder/photo-$i.jpg" ;;
    3) printf 'a,b\n' > "$folder/table-$i.csv" ;;
  esac
done

# A private X server (it picks a free display number) and session bus.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp +extension DAMAGE >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "startup: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
read -r bus dbus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -sd' ')
export DBUS_SESSION_BUS_ADDRESS="$bus"

# One temporary home per program, kept across its rounds: the warm-up fills its caches
# as a user's earlier sessions would.
home_of() {
  local home="$work/home-$1"
  [ -d "$home" ] && { echo "$home"; return; }
  mkdir -p "$home/.config/pcmanfm-qt/default" "$home/.local/share" "$home/.cache" "$home/runtime"
  chmod 700 "$home/runtime"
  printf '[System]\nIconThemeName=Adwaita\nFallbackIconThemeName=Adwaita\n' \
    > "$home/.config/pcmanfm-qt/default/settings.conf"
  echo "$home"
}

run() { # name, command...
  local name=$1; shift
  local home
  home=$(home_of "$name")
  env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" MAROVEL_TELEMETRY_URL= \
    QT_QPA_PLATFORM=xcb "$timer" -- "$@"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run pcmanfm pcmanfm-qt "$folder" >/dev/null
run marovel "${marovel[@]}" "$folder" >/dev/null
: > "$work/pcmanfm"
: > "$work/marovel"
for _ in $(seq $rounds); do
  run pcmanfm pcmanfm-qt "$folder" >> "$work/pcmanfm"
  run marovel "${marovel[@]}" "$folder" >> "$work/marovel"
done

ref_ms=$(cut -d' ' -f1 "$work/pcmanfm" | median)
ref_kib=$(cut -d' ' -f2 "$work/pcmanfm" | median)
our_ms=$(cut -d' ' -f1 "$work/marovel" | median)
our_kib=$(cut -d' ' -f2 "$work/marovel" | median)
awk -v rm="$ref_ms" -v rk="$ref_kib" -v om="$our_ms" -v ok="$our_kib" -v name="$marovel_name" -v n="$rounds" 'BEGIN {
  printf "startup: first frame, %d files, median of %d: %s %.0f ms, pcmanfm-qt %.0f ms; ratio %.2f\n", 1000, n, name, om, rm, om / rm
  printf "startup: resident 3 s later: %s %.1f MiB, pcmanfm-qt %.1f MiB; ratio %.2f\n", name, ok / 1024, rk / 1024, ok / rk
}'
