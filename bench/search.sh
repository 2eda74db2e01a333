#!/usr/bin/env bash
# The content search sheet against the index's own search, on the content-index corpus
# (bench/index/corpus.py: 10,000 text files), in the same process and run: for 50 queries
# (20 English words, 15 two- and 15 four-character Chinese words, drawn from the corpus
# with a fixed seed), ContentIndex::search alone and the sheet from its search call to the
# first paint of its rows and to its last row; 3 interleaved rounds, p50 and p99.
# The ratio of the sheet's time to the search alone is the window's own cost.
# Goal: the first rows within 1.5 times the search alone, or within 16 ms of it (a frame).
set -euo pipefail
build=${1:?build folder}
here=$(cd "$(dirname "$0")" && pwd)
indexer="$build/bin/marovel_index_bench"
driver="$build/bin/marovel_search_bench"
for tool in "$indexer" "$driver"; do
  [ -x "$tool" ] || { echo "search: $tool is not built"; exit 1; }
done

work=$(mktemp -d /tmp/marovel-bench-search.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
export QT_QPA_PLATFORM=offscreen MAROVEL_TELEMETRY_URL=
mkdir -p "$HOME"
python3 "$here/index/corpus.py" "$work"
"$indexer" build "$work/corpus" "$work/db/content-index.sqlite" >/dev/null

python3 - "$work/corpus" > "$work/queries.txt" <<'PY'
import os, random, re, sys
rng = random.Random(20261211)
english, chinese = set(), []
for folder, _, files in sorted(os.walk(sys.argv[1])):
    for name in sorted(files)[:20]:
        text = open(os.path.join(folder, name), encoding="utf-8").read()
        english.update(w for w in re.findall(r"[a-z]{4,}", text))
        chinese.extend(re.findall(r"[\u4e00-\u9fff]{4,}", text))
english = sorted(english)
queries = rng.sample(english, 20)
for size, count in ((2, 15), (4, 15)):
    picked = set()
    while len(picked) < count:
        run = rng.choice(chinese)
        start = rng.randrange(len(run) - size + 1)
        picked.add(run[start:start + size])
    queries += sorted(picked)
print("\n".join(queries))
PY

"$driver" "$work/db/content-index.sqlite" "$work/queries.txt" 3 > "$work/times.tsv"

python3 - "$work/times.tsv" <<'PY'
import statistics, sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
alone = [float(r[1]) for r in rows]
first = [float(r[2]) for r in rows]
full = [float(r[3]) for r in rows]
hits = [int(r[4]) for r in rows]
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100.0 * (len(values) - 1))))]
a50, f50, l50 = statistics.median(alone), statistics.median(first), statistics.median(full)
print("search sheet: %d searches of %d queries, median %d hits" % (len(rows), len(set(r[0] for r in rows)), statistics.median(hits)))
print("  ContentIndex::search alone: p50 %.2f ms p99 %.2f ms" % (a50, pct(alone, 99)))
print("  sheet, first rows painted:  p50 %.2f ms p99 %.2f ms; ratio %.2f" % (f50, pct(first, 99), f50 / a50))
print("  sheet, every row built:     p50 %.2f ms p99 %.2f ms; ratio %.2f" % (l50, pct(full, 99), l50 / a50))
ok = f50 <= max(1.5 * a50, a50 + 16.0)
print("  goal: first rows within 1.5x the search or 16 ms of it: %s" % ("met" if ok else "missed"))
sys.exit(0 if ok else 1)
PY
