#!/usr/bin/env bash
# The content index against Recoll on one generated corpus (bench/index/corpus.py: 10,000
# text files, half Chinese, half English), in the same run:
#   build    a full scan into an empty database (whole process, startIfNeeded() until
#            isIndexing is false) against recollindex into an empty index; files/s,
#            medians of interleaved runs. Goal: at least 10 times Recoll's rate.
#   size     the database with its -wal/-shm files against Recoll's Xapian folder, over
#            the corpus bytes. Goal: at most 2.
#   queries  ContentIndex::search (call to result on the GUI thread) against Recoll's own
#            query API (python3-recoll, database opened once, 100 results), both in
#            process, 10 interleaved rounds; p50/p99 per group. Goal: p50 at most 2 ms and
#            no slower than Recoll. For information: recollq -n 100 against the driver's
#            "once" mode, whole process each.
#   check    every hit holds its query; fewer than 100 holders are all found.
set -euo pipefail
build=${1:?build folder}
here=$(cd "$(dirname "$0")" && pwd)
driver="$build/bin/marovel_index_bench"
[ -x "$driver" ] || { echo "index: $driver is not built"; exit 1; }
bash "$here/../scripts/install-bench-deps"
command -v recollindex >/dev/null || { echo "index: recollindex is missing"; exit 1; }
py=/usr/bin/python3 # Debian's, which has the recoll module

work=$(mktemp -d /tmp/marovel-bench-index.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME"
"$py" "$here/index/corpus.py" "$work"
corpus="$work/corpus"
queries="$work/queries.json"
files=$(find "$corpus" -type f | wc -l)
corpus_bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

runs=3
ours=() theirs=()
for run in $(seq $runs); do
  rm -rf "$work/db" "$work/config" "$work/recoll"
  start=$(now_ms)
  "$driver" build "$corpus" "$work/db/content-index.sqlite" >/dev/null
  ours+=($(( $(now_ms) - start )))
  mkdir -p "$work/recoll"
  printf 'topdirs = %s\nnoaspell = 1\n' "$corpus" > "$work/recoll/recoll.conf"
  start=$(now_ms)
  recollindex -c "$work/recoll" >/dev/null 2>&1
  theirs+=($(( $(now_ms) - start )))
done
our_ms=$(printf '%s\n' "${ours[@]}" | median)
their_ms=$(printf '%s\n' "${theirs[@]}" | median)
status=0
verdict() { if awk "BEGIN {exit !($1)}"; then echo met; else echo missed; status=1; fi; }
awk -v n="$files" -v a="$our_ms" -v b="$their_ms" 'BEGIN {
  printf "index build: %d files: Marovel %.0f files/s (median %d ms), Recoll %.0f files/s (median %d ms); ratio %.1f", n, n * 1000 / a, a, n * 1000 / b, b, b / a }'
echo "; goal >= 10: $(verdict "$their_ms / $our_ms >= 10")"

our_bytes=$(cat "$work/db"/content-index.sqlite* | wc -c)
their_bytes=$(du -sb "$work/recoll/xapiandb" | cut -f1)
awk -v c="$corpus_bytes" -v a="$our_bytes" -v b="$their_bytes" 'BEGIN {
  printf "index size over %d corpus bytes: Marovel %.2f (%d bytes), Recoll %.2f (%d bytes)", c, a / c, a, b / c, b }'
echo "; goal <= 2: $(verdict "$our_bytes / $corpus_bytes <= 2")"

rounds=10
: > "$work/ours.tsv"; : > "$work/theirs.tsv"
for round in $(seq $rounds); do
  "$driver" query "$work/db/content-index.sqlite" "$queries" >> "$work/ours.tsv"
  "$py" "$here/index/recoll_queries.py" "$work/recoll" "$queries" 2>/dev/null >> "$work/theirs.tsv"
done
: > "$work/ours-once.tsv"; : > "$work/theirs-once.tsv"
"$py" - "$queries" <<'PY' > "$work/list.tsv"
import json, sys
groups = json.load(open(sys.argv[1]))
for g in ("english", "chinese2", "chinese4", "rare"):
    for q in groups[g]:
        print("%s\t%s" % (g, q))
PY
while IFS=$'\t' read -r group q; do
  start=$(date +%s%N); "$driver" once "$work/db/content-index.sqlite" "$q" >/dev/null
  echo -e "$group\t$q\t$(( ($(date +%s%N) - start) / 1000 ))" >> "$work/ours-once.tsv"
  start=$(date +%s%N); recollq -c "$work/recoll" -n 100 -q "$q" >/dev/null 2>&1
  echo -e "$group\t$q\t$(( ($(date +%s%N) - start) / 1000 ))" >> "$work/theirs-once.tsv"
done < "$work/list.tsv"

"$py" - "$work" <<'PY' || status=1
import statistics, sys
work = sys.argv[1]
def load(name, scale=1.0):
    groups = {}
    for line in open("%s/%s" % (work, name)):
        parts = line.rstrip("\n").split("\t")
        if len(parts) >= 3:
            groups.setdefault(parts[0], []).append(float(parts[2]) * scale)
    return groups
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100.0 * (len(values) - 1))))]
ours, theirs = load("ours.tsv"), load("theirs.tsv")
once_ours, once_theirs = load("ours-once.tsv", 0.001), load("theirs-once.tsv", 0.001)
missed = False
for g in ("english", "chinese2", "chinese4", "rare"):
    a, b = ours.get(g, [0]), theirs.get(g, [0])
    p50a, p50b = statistics.median(a), statistics.median(b)
    ok = p50a <= 2.0 and p50a <= p50b
    missed |= not ok
    print("index query %-8s: Marovel p50 %.2f ms p99 %.2f ms; Recoll in-process p50 %.2f ms p99 %.2f ms;"
          " ratio %.2f; goal p50 <= 2 ms and <= Recoll: %s; whole process: driver %.1f ms, recollq %.1f ms"
          % (g, p50a, pct(a, 99), p50b, pct(b, 99), p50a / p50b if p50b else 0, "met" if ok else "missed",
             statistics.median(once_ours.get(g, [0])), statistics.median(once_theirs.get(g, [0]))))
sys.exit(1 if missed else 0)
PY

if "$driver" check "$work/db/content-index.sqlite" "$queries" "$corpus" >/dev/null; then
  echo "index check: every hit holds its query; every holder found where fewer than 100: met"
else
  echo "index check: missed"; status=1
fi
exit $status
