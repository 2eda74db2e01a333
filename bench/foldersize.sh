#!/usr/bin/env bash
# The information panel's folder size over a tree of 100,000 files: a whole process that
# walks it with ItemInfo::folderSize (QDirIterator, one lstat per entry, links not
# entered) against `du -s -B1`, which reads the same blocks; interleaved runs, medians.
# Both totals are printed: du also counts the folder itself, the panel only what is in it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
bench="$build/bin/folder_size_bench"
echo "foldersize: the size of a folder, whole process against whole process"
[ -x "$bench" ] || { bench_fail "$bench is not built"; bench_finish; exit; }
bench_require du stat || { bench_finish; exit; }

work=$(mktemp -d /tmp/marovel-bench-foldersize.XXXXXX)
trap 'rm -rf "$work"' EXIT
count=100000
runs=7
tree="$work/tree"
"$bench" make "$tree" "$count" || { bench_fail "cannot make $tree"; bench_finish; exit; }

ours=$("$bench" size "$tree")
theirs=$(du -s -B1 "$tree" | cut -f1)
itself=$(( $(stat -c '%b' "$tree") * $(stat -c '%B' "$tree") ))
printf '  totals: Marovel %s bytes, du %s bytes (du counts the folder itself: %s bytes)\n' "$ours" "$theirs" "$itself"
[ $(( ours + itself )) -eq "$theirs" ] || bench_fail "the totals differ by $(( theirs - itself - ours )) bytes"

if bench_interleaved "$runs" "$work/ours" "$work/du" \
    -- "$bench" size "$tree" \
    -- du -s -B1 "$tree"; then
  a=$(bench_median <"$work/ours") b=$(bench_median <"$work/du")
  printf '  %d files: Marovel %8.1f ms, du %8.1f ms (medians of %d)\n' "$count" "$a" "$b" "$runs"
  bench_goal "$count files against du -s -B1" "$(bench_ratio "$a" "$b")" 1.5
else
  bench_fail "walking the tree failed"
fi
bench_finish
