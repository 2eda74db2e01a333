#!/usr/bin/env bash
# Listing a folder of 10,000, 100,000 and 300,000 files: a whole process that lists with
# FileLister::list (kinds and tags included) against `find -maxdepth 1 -printf`, which
# reads the same facts (readdir and one stat per entry); interleaved runs, medians.
# Goal: at most 1.0x find at every size, and growth no faster than find's.
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
declare -A ratio_at
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
  ratio_at[$size]=$(bench_ratio "$a" "$b")
  rm -rf "$dir"
done
# Growth no worse than find's: the ratio at 300,000 files stays within 1.15x of that at
# 100,000 (both sides measured in the same rounds, so load on the machine cancels out).
if [ -n "${ratio_at[100000]:-}" ] && [ -n "${ratio_at[300000]:-}" ]; then
  bench_goal "growth: ratio at 300k over ratio at 100k" \
    "$(bench_ratio "${ratio_at[300000]}" "${ratio_at[100000]}")" 1.15
fi
bench_finish
