#!/usr/bin/env bash
# Listing a folder of 10,000, 100,000 and 300,000 files: a whole process that lists with
# FileLister::list (kinds and tags included) against `find -maxdepth 1 -printf`, which
# reads the same facts (readdir and one stat per entry); interleaved runs, medians.
# Goal: at most 1.0x find at every size, and growth no worse than linear.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
bench="$build/bin/files_bench"
echo "files: listing a folder, whole process against whole process"
[ -x "$bench" ] || { bench_fail "$bench is not built"; bench_finish; exit; }
bench_require find || { bench_finish; exit; }

folder=$(mktemp -d /tmp/marovel-bench-files.XXXXXX)
trap 'rm -rf "$folder"' EXIT
declare -A per_file
for size in 10000 100000 300000; do
  runs=$(( size >= 300000 ? 5 : size >= 100000 ? 7 : 15 ))
  dir="$folder/list-$size"
  "$bench" make "$dir" "$size" || { bench_fail "cannot make $dir"; continue; }
  ours="$folder/ours-$size" theirs="$folder/find-$size"
  if ! bench_interleaved "$runs" "$ours" "$theirs" \
      -- "$bench" list "$dir" \
      -- find "$dir" -maxdepth 1 -printf '%s %T@ %y\n'; then
    bench_fail "listing $size files failed"
    continue
  fi
  a=$(bench_median <"$ours") b=$(bench_median <"$theirs")
  printf '  %6d files: Marovel %8.1f ms, find %8.1f ms (medians of %d)\n' "$size" "$a" "$b" "$runs"
  bench_goal "$size files against find" "$(bench_ratio "$a" "$b")" 1.0
  per_file[$size]=$(awk -v a="$a" -v n="$size" 'BEGIN { printf "%.4f", a / n }')
  rm -rf "$dir"
done
# Linear growth: the cost per file at 300,000 stays within 1.25x of that at 100,000.
if [ -n "${per_file[100000]:-}" ] && [ -n "${per_file[300000]:-}" ]; then
  bench_goal "growth: per-file cost 300k over 100k" \
    "$(bench_ratio "${per_file[300000]}" "${per_file[100000]}")" 1.25
fi
bench_finish
