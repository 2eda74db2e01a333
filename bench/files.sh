#!/usr/bin/env bash
# Listing a folder of 100,000 files: FileLister::list against find reading the same facts
# (readdir and one stat per entry), warm caches, medians of several runs.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/files_bench"
[ -x "$bench" ] || { echo "files: $bench is not built"; exit 1; }
count=100000
runs=7
folder=$(mktemp -d /tmp/marovel-bench-files.XXXXXX)
trap 'rm -rf "$folder"' EXIT
"$bench" make "$folder/list" "$count"

find "$folder/list" -maxdepth 1 -printf '%s %T@ %y\n' >/dev/null # warm-up
times=()
for _ in $(seq $runs); do
  start=$(date +%s%N)
  find "$folder/list" -maxdepth 1 -printf '%s %T@ %y\n' >/dev/null
  end=$(date +%s%N)
  times+=("$(( (end - start) / 1000 ))")
done
find_ms=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( runs / 2 + 1 ))p" | awk '{printf "%.1f", $1 / 1000}')

"$bench" list "$folder/list" 1 >/dev/null # warm-up
read -r lister_ms listed < <("$bench" list "$folder/list" "$runs")

ratio=$(awk -v a="$lister_ms" -v b="$find_ms" 'BEGIN { printf "%.2f", a / b }')
echo "files: FileLister::list of $listed entries: median ${lister_ms} ms; find -maxdepth 1 -printf: median ${find_ms} ms; ratio ${ratio}"
