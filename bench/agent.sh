#!/usr/bin/env bash
# The watch agent under a burst: 1,000 text invoices moved into a watched folder at once,
# until the last proposal is pending (with the product's 1 s latency and 2 s settle
# delay), and how long the event loop stalled meanwhile; next to plain extraction plus
# detection of the same files on two threads, in the same run. Medians of interleaved runs.
set -euo pipefail
build=${1:?build folder}
bench="$build/bin/agent_bench"
[ -x "$bench" ] || { echo "agent: $bench is not built"; exit 1; }
count=1000
runs=3
fixed_ms=3000 # latency + settle: waits by design, not work
goal=1.5      # the agent's work (its time less the fixed waits) against plain reading
stall_goal=50 # ms: the windows stay responsive
work=$(mktemp -d /tmp/marovel-bench-agent.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_CACHE_HOME="$work/home/.cache" MAROVEL_TELEMETRY_URL=""
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
"$bench" make "$work/files" "$count"
"$bench" plain "$work/files" >/dev/null # warm-up

median() { sort -n | sed -n "$(( runs / 2 + 1 ))p"; }
agent_times=() stalls=() plain_times=()
for run in $(seq $runs); do
  cp -r "$work/files" "$work/staging-$run"
  read -r total stall proposals < <("$bench" agent "$work/staging-$run" "$work/watched-$run")
  [ "$proposals" -eq "$count" ] || { echo "agent: only $proposals of $count proposals"; exit 1; }
  agent_times+=("$total") stalls+=("$stall")
  plain_times+=("$("$bench" plain "$work/files")")
  rm -rf "$work/staging-$run" "$work/watched-$run"
done
agent_ms=$(printf '%s\n' "${agent_times[@]}" | median)
stall_ms=$(printf '%s\n' "${stalls[@]}" | median)
plain_ms=$(printf '%s\n' "${plain_times[@]}" | median)
ratio=$(awk -v a="$agent_ms" -v f="$fixed_ms" -v p="$plain_ms" 'BEGIN { printf "%.2f", (a - f) / p }')
whole=$(awk -v a="$agent_ms" -v p="$plain_ms" 'BEGIN { printf "%.2f", a / p }')
verdict=$(awk -v r="$ratio" -v g="$goal" -v s="$stall_ms" -v sg="$stall_goal" \
  'BEGIN { print (r <= g && s <= sg ? "met" : "missed") }')
echo "agent: $count files moved in: last proposal after median ${agent_ms} ms (of which ${fixed_ms} ms latency and settle); plain extraction + detection on 2 threads: median ${plain_ms} ms"
echo "agent: ratio of the agent's work to plain reading ${ratio} (whole time ${whole}); longest event-loop stall median ${stall_ms} ms (goal: ratio <= ${goal}, stall <= ${stall_goal} ms: ${verdict})"
[ "$verdict" = met ]
