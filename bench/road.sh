#!/usr/bin/env bash
# The main road of one file: select it until its scenario card shows, then "AI 起个好名字",
# for an invoice PDF with a text layer, the same invoice scanned, and a receipt image, in one
# window. Each figure is measured against a reference in the same run (medians of 11 cold
# runs, wall and CPU time of the whole process):
#   card  the window's road against one whose detection waits for the application lookup
#         (the former order). Goal: no slower (within 1.25 times: a shared machine is noisy).
#   name  naming after the card with the card's reading taken again, against the former
#         proposer that extracts and detects the file a second time. Goal: at most 0.5 times
#         (a scan or an image is recognised only once).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
bench="$build/bin/marovel_road_bench"
runs=11
echo "road: select → scenario card, then AI 起个好名字 (medians of $runs cold runs; ms)"
[ -x "$bench" ] || { bench_fail "$bench is not built"; bench_finish; exit; }
work=$(mktemp -d /tmp/marovel-bench-road.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache" MAROVEL_HOME="$work/marovel" MAROVEL_TELEMETRY_URL=
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$work/files"
if ! "$bench" "$work/files" "$runs" >"$work/out" 2>"$work/err"; then
  bench_fail "the benchmark failed: $(tail -3 "$work/err")"
  bench_finish
  exit
fi
printf '  %-12s %-30s %-30s\n' "" "select → card: before / after" "AI 起个好名字: before / after"
while read -r label card_ref_wall card_ref_cpu card_wall card_cpu name_ref_wall name_ref_cpu name_wall name_cpu; do
  printf '  %-12s wall %8.1f / %8.1f           wall %8.1f / %8.1f\n' "$label" \
    "$card_ref_wall" "$card_wall" "$name_ref_wall" "$name_wall"
  printf '  %-12s cpu  %8.1f / %8.1f           cpu  %8.1f / %8.1f\n' "" \
    "$card_ref_cpu" "$card_cpu" "$name_ref_cpu" "$name_cpu"
  bench_goal "$label card, wall (after / before)" "$(bench_ratio "$card_wall" "$card_ref_wall")" 1.25
  bench_goal "$label name after card, wall (after / before)" "$(bench_ratio "$name_wall" "$name_ref_wall")" 0.5
  bench_goal "$label name after card, CPU (after / before)" "$(bench_ratio "$name_cpu" "$name_ref_cpu")" 0.5
done <"$work/out"
[ "$(wc -l <"$work/out")" -eq 3 ] || bench_fail "expected three documents, got: $(cat "$work/out")"
bench_finish
