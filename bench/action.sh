#!/usr/bin/env bash
# Arrow-key steps through a folder of 100,000 files with the action pane in the detail
# column (real application lookups, scenarios cached beforehand) against the same steps
# with the inspector in its place, in one process: median per step until the GUI thread
# is idle again, and their ratio.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/action_bench"
maker="$build/bin/files_bench"
for tool in "$bench" "$maker"; do
  [ -x "$tool" ] || { echo "action: $tool is not built"; exit 1; }
done
count=100000
steps=200
goal=3.0
work=$(mktemp -d /tmp/marovel-bench-action.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache" MAROVEL_HOME="$work/marovel" MAROVEL_TELEMETRY_URL=
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
folder="$work/steps"
"$maker" make "$folder" "$count"
read -r pane_ms inspector_ms < <("$bench" "$folder" "$steps")
ratio=$(awk -v a="$pane_ms" -v b="$inspector_ms" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g ? "met" : "missed") }')
echo "action: $steps arrow-key steps in $count files: action pane median ${pane_ms} ms per step; inspector median ${inspector_ms} ms; ratio ${ratio} (goal <= ${goal}: ${verdict})"
[ "$verdict" = met ]
