#!/usr/bin/env bash
# Ctrl+A in a folder of 100,000 files: the time until the action pane's multi-selection
# view shows count and size, against the inspector (which counts the same selection) in
# its place, interleaved in one process; median of 7 runs each. Goal: the pane within 1.5
# times the inspector.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/marovel_actionpane_bench"
maker="$build/bin/files_bench"
for tool in "$bench" "$maker"; do
  [ -x "$tool" ] || { echo "actionpane: $tool is not built"; exit 1; }
done
count=100000
runs=7
goal=1.5
work=$(mktemp -d /tmp/marovel-bench-actionpane.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export QT_QPA_PLATFORM=offscreen MAROVEL_TELEMETRY_URL=
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
folder="$work/many"
"$maker" make "$folder" "$count"
read -r pane_ms inspector_ms items < <("$bench" "$folder" "$runs")
ratio=$(awk -v a="$pane_ms" -v b="$inspector_ms" 'BEGIN { printf "%.2f", a / b }')
verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g ? "met" : "missed") }')
echo "actionpane: Ctrl+A over $items files until count and size show: action pane median ${pane_ms} ms; inspector median ${inspector_ms} ms; ratio ${ratio} (goal <= ${goal}: ${verdict})"
[ "$verdict" = met ]
