#!/usr/bin/env bash
# Content extraction: PDF text layer against pdftotext, A4 recognition against tesseract.
set -euo pipefail
build=${1:?build directory}
exec "$build/bin/extract_bench"
