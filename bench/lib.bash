# Shared helpers of the benchmark scripts (sourced, not run).
#
# Timings are taken with bash's own clock ($EPOCHREALTIME), so starting a timer forks
# nothing. Subject and reference run interleaved, one after the other in every round, so
# a burst of load on the machine hits both sides alike; figures are medians.

# Milliseconds the command takes, as a whole process, output discarded.
bench_time_ms() {
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || return 1
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }'
}

# The median of the numbers on standard input.
bench_median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; m = int((NR + 1) / 2);
    if (NR % 2) printf "%.3f\n", v[m]; else printf "%.3f\n", (v[m] + v[m + 1]) / 2 }'
}

# bench_interleaved RUNS SUBJECT_FILE REFERENCE_FILE -- SUBJECT... -- REFERENCE...
# Runs subject and reference RUNS times each, alternating, after one warm-up of each;
# appends each time (ms) to its file. Fails when either command fails.
bench_interleaved() {
  local runs=$1 subject_out=$2 reference_out=$3
  shift 3
  [ "$1" = -- ] || return 2
  shift
  local subject=() reference=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do subject+=("$1"); shift; done
  shift
  reference=("$@")
  "${subject[@]}" >/dev/null 2>&1 || return 1
  "${reference[@]}" >/dev/null 2>&1 || return 1
  local i t
  for ((i = 0; i < runs; i++)); do
    t=$(bench_time_ms "${subject[@]}") || return 1
    echo "$t" >>"$subject_out"
    t=$(bench_time_ms "${reference[@]}") || return 1
    echo "$t" >>"$reference_out"
  done
}

# The missed goals and missing references of this script; bench_finish turns them into
# the exit status.
BENCH_FAILURES=0

# bench_goal LABEL RATIO GOAL: prints the ratio beside its goal ("at most GOAL") with
# "met" or "missed", and counts a miss.
bench_goal() {
  local label=$1 ratio=$2 goal=$3 verdict
  # A ratio that is not a positive number (a per-page cost drowned by noise comes out
  # negative) is a failed measurement, never a met goal.
  if ! awk -v r="$ratio" 'BEGIN { exit !(r ~ /^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$/ && r > 0) }'; then
    verdict="missed (not a measurement)"
    BENCH_FAILURES=$((BENCH_FAILURES + 1))
  elif awk -v r="$ratio" -v g="$goal" 'BEGIN { exit !(r <= g) }'; then
    verdict=met
  else
    verdict=missed
    BENCH_FAILURES=$((BENCH_FAILURES + 1))
  fi
  printf '  %-44s ratio %6.2f   goal <= %.2f   %s\n' "$label" "$ratio" "$goal" "$verdict"
}

# bench_require TOOL...: a missing reference tool is a failure, never a silent pass.
bench_require() {
  local tool ok=0
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "  reference tool missing: $tool"
      BENCH_FAILURES=$((BENCH_FAILURES + 1))
      ok=1
    fi
  done
  return $ok
}

bench_fail() {
  echo "  $*"
  BENCH_FAILURES=$((BENCH_FAILURES + 1))
}

bench_ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) print "inf"; else printf "%.3f\n", a / b }'
}

bench_finish() {
  [ "$BENCH_FAILURES" -eq 0 ]
}
