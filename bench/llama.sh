#!/usr/bin/env bash
# The llama.cpp bridge: time per generated token with the naming engine's describe grammar
# against the same model without a grammar, in one process, on the same prompt and the
# same number of generated tokens, rounds alternating, medians; the grammar's answer must
# equal the whole-vocabulary check's. Two models with the real Qwen2 vocabulary and random weights: the tiny test
# model, whose token costs almost nothing (so the grammar's share shows at its largest),
# and one of a 0.5B model's shape (q4_0, written here once into the build tree), whose
# token costs what a user's small model costs. Goal: at most 1.2x on the 0.5B shape.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
bench=$build/bin/marovel_llama_bench
writer=$build/bin/marovel_tiny_model
tiny=$build/test-models/tiny-qwen2.gguf
vocab=$(ls "$HOME"/.cache/marovel-deps/llama-*/share/marovel-llama/ggml-vocab-qwen2.gguf \
        "${XDG_CACHE_HOME:-/nonexistent}"/marovel-deps/llama-*/share/marovel-llama/ggml-vocab-qwen2.gguf \
        2>/dev/null | head -1)
half=$build/bench-models/half-qwen2-q4_0.gguf
echo "llama bridge: per generated token, describe grammar against no grammar"
if [ ! -x "$bench" ] || [ ! -x "$writer" ] || [ ! -f "$tiny" ]; then
  bench_fail "benchmark, model writer or tiny model not built (configure with tests on)"
  bench_finish
  exit
fi
if [ ! -f "$half" ]; then
  [ -n "$vocab" ] || { bench_fail "the Qwen2 vocabulary file is missing"; bench_finish; exit; }
  mkdir -p "$(dirname "$half")"
  "$writer" --vocab "$vocab" --out "$half" --shape 0.5b || { bench_fail "cannot write $half"; bench_finish; exit; }
fi
ratio_of() { sed -n 's/.*; ratio \([0-9.]*\)$/\1/p' | tail -1; }
out=$("$bench" "$tiny" --rounds=11 2>&1) || bench_fail "the tiny model's run failed"
echo "$out" | grep -E "^llama bridge: " | sed 's/^/  tiny: /'
tiny_ratio=$(echo "$out" | ratio_of)
[ -n "$tiny_ratio" ] && printf '  %-44s ratio %6.2f   (no goal: its token costs almost nothing)\n' \
  "tiny model" "$tiny_ratio"
out=$("$bench" "$half" --rounds=9 2>&1) || bench_fail "the 0.5B-shape model's run failed"
echo "$out" | grep -E "^llama bridge: " | sed 's/^/  0.5B: /'
half_ratio=$(echo "$out" | ratio_of)
if [ -n "$half_ratio" ]; then
  bench_goal "0.5B shape: with grammar against without" "$half_ratio" 1.2
else
  bench_fail "no figure for the 0.5B-shape model"
fi
bench_finish
