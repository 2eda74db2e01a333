#!/usr/bin/env bash
# The list view entering a folder of 100,000 files (whole process, until every row is in
# the model and the first rows are painted) against find reading the same facts; a click
# on the size header until the list is repainted against sort -n of find's output; the
# repaint after a one-page scroll of the list and the grid against plain views over a bare
# array model; and the resident memory after scrolling a grid of 10,000 PNG images.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/list_bench"
maker="$build/bin/files_bench"
for tool in "$bench" "$maker"; do
  [ -x "$tool" ] || { echo "list: $tool is not built"; exit 1; }
done
count=100000
runs=7
goal=1.5
work=$(mktemp -d /tmp/marovel-bench-list.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
folder="$work/list"
"$maker" make "$folder" "$count"

median() { sort -n | sed -n "$(( runs / 2 + 1 ))p" | awk '{printf "%.1f", $1 / 1000}'; }
elapsed_us() { local start end; start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N); echo $(( (end - start) / 1000 )); }

find "$folder" -maxdepth 1 -printf '%s %T@ %y\n' >/dev/null # warm-up
"$bench" enter "$folder" >/dev/null
view_times=() find_times=()
for _ in $(seq $runs); do
  view_times+=("$(elapsed_us "$bench" enter "$folder")")
  find_times+=("$(elapsed_us find "$folder" -maxdepth 1 -printf '%s %T@ %y\n')")
done
view_ms=$(printf '%s\n' "${view_times[@]}" | median)
find_ms=$(printf '%s\n' "${find_times[@]}" | median)
ratio=$(awk -v a="$view_ms" -v b="$find_ms" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g ? "met" : "missed") }')
read -r paint_ms model_ms rows < <("$bench" enter "$folder")
echo "list: entering $rows entries in a shown list (whole process): median ${view_ms} ms; find -maxdepth 1 -printf: median ${find_ms} ms; ratio ${ratio} (goal <= ${goal}: ${verdict})"
echo "list: inside the process: full model after ${model_ms} ms, first rows painted after ${paint_ms} ms"

find "$folder" -maxdepth 1 -printf '%s %p\n' > "$work/found.txt"
sort_times=()
for _ in $(seq $runs); do sort_times+=("$(elapsed_us sort -n "$work/found.txt")"); done
sort_ms=$(printf '%s\n' "${sort_times[@]}" | median)
click_ms=$("$bench" sort "$folder" "$runs")
echo "list: size-header click to repaint: median ${click_ms} ms; sort -n of find's output: median ${sort_ms} ms; ratio $(awk -v a="$click_ms" -v b="$sort_ms" 'BEGIN { printf "%.2f", a / b }')"

read -r list_ms grid_ms table_ms icons_ms < <("$bench" scroll "$folder" 41)
echo "list: one-page scroll repaint: list ${list_ms} ms vs bare table ${table_ms} ms (ratio $(awk -v a="$list_ms" -v b="$table_ms" 'BEGIN { printf "%.2f", a / b }')); grid ${grid_ms} ms vs bare icon list ${icons_ms} ms (ratio $(awk -v a="$grid_ms" -v b="$icons_ms" 'BEGIN { printf "%.2f", a / b }'))"

"$bench" pngs "$work/pngs" 10000
rss=$("$bench" memory "$work/pngs")
echo "list: resident memory after scrolling a grid of 10,000 PNG images: ${rss} MiB"
[ "$verdict" = met ]
