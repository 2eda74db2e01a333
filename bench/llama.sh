#!/usr/bin/env bash
# The llama.cpp bridge on the tiny test model: time per generated token with the naming
# engine's describe grammar against the same without a grammar. $1: the build folder.
set -euo pipefail
build=${1:?build folder}
bench=$build/bin/marovel_llama_bench
model=$build/test-models/tiny-qwen2.gguf
if [ ! -x "$bench" ] || [ ! -f "$model" ]; then
  echo "llama bridge: benchmark or test model not built (configure with tests on)"
  exit 0
fi
"$bench" "$model" --benchmark_counters_tabular=true
