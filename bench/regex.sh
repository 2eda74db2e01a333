#!/usr/bin/env bash
# The slowest content-reader pattern over 200,000 characters of hostile text.
set -euo pipefail
build=${1:?build folder}
"$build/bin/marovel_bench_regex"
