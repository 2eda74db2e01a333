#!/usr/bin/env bash
# A pane entering a folder of 100,000 files (go() until the sorted listing is applied),
# whole process against find reading the same facts as a whole process, medians of
# interleaved runs; then where the time goes inside the process and what a re-sort by
# size and by name costs.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/browser_bench"
maker="$build/bin/files_bench"
for tool in "$bench" "$maker"; do
  [ -x "$tool" ] || { echo "browser: $tool is not built"; exit 1; }
done
count=100000
runs=7
goal=1.5
work=$(mktemp -d /tmp/marovel-bench-browser.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The pane remembers visits and sorts in the data folder: keep that out of the user's.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
folder="$work/list"
"$maker" make "$folder" "$count"

median() { sort -n | sed -n "$(( runs / 2 + 1 ))p" | awk '{printf "%.1f", $1 / 1000}'; }
elapsed_us() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(( (end - start) / 1000 )); }

find "$folder" -maxdepth 1 -printf '%s %T@ %y\n' >/dev/null # warm-up
"$bench" enter "$folder"
pane_times=() find_times=()
for _ in $(seq $runs); do
  pane_times+=("$(elapsed_us "$bench" enter "$folder")")
  find_times+=("$(elapsed_us find "$folder" -maxdepth 1 -printf '%s %T@ %y\n')")
done
pane_ms=$(printf '%s\n' "${pane_times[@]}" | median)
find_ms=$(printf '%s\n' "${find_times[@]}" | median)
ratio=$(awk -v a="$pane_ms" -v b="$find_ms" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g ? "met" : "missed") }')

read -r listed list_ms sort_ms enter_ms size_ms name_ms < <("$bench" split "$folder" "$runs")
echo "browser: entering $listed entries (whole process): median ${pane_ms} ms; find -maxdepth 1 -printf: median ${find_ms} ms; ratio ${ratio} (goal <= ${goal}: ${verdict})"
echo "browser: inside the process: entering ${enter_ms} ms = listing ${list_ms} ms + name sort ${sort_ms} ms (in the background) + applying; re-sort by size ${size_ms} ms, by name ${name_ms} ms"
[ "$verdict" = met ]
