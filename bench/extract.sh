#!/usr/bin/env bash
# Content extraction. PDF text: the index reader as a whole process against pdftotext on
# documents of 10 and 50 A4 pages; the cost of a page is the difference between the two
# sizes over 40 pages, so the start of either process drops out. Interleaved runs,
# medians. Goal: at most 1.2x pdftotext per page. Recognition of one page against the
# tesseract command line is printed for information (no goal).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
bench="$build/bin/extract_bench"
echo "extract: PDF text layer, whole process against pdftotext"
[ -x "$bench" ] || { bench_fail "$bench is not built"; bench_finish; exit; }
bench_require pdftotext || { bench_finish; exit; }
folder=$(mktemp -d /tmp/marovel-bench-extract.XXXXXX)
trap 'rm -rf "$folder"' EXIT
declare -A ours theirs
for pages in 10 50; do
  pdf="$folder/text-$pages.pdf"
  "$bench" make-pdf "$pdf" "$pages" || { bench_fail "cannot write $pdf"; bench_finish; exit; }
  if ! bench_interleaved 11 "$folder/ours-$pages" "$folder/theirs-$pages" \
      -- "$bench" pdf-text "$pdf" -- pdftotext -enc UTF-8 "$pdf" -; then
    bench_fail "reading $pages pages failed"
    bench_finish
    exit
  fi
  ours[$pages]=$(bench_median <"$folder/ours-$pages")
  theirs[$pages]=$(bench_median <"$folder/theirs-$pages")
  printf '  %2d pages: Marovel %7.1f ms, pdftotext %7.1f ms (medians of 11)\n' \
    "$pages" "${ours[$pages]}" "${theirs[$pages]}"
done
ours_page=$(awk -v a="${ours[50]}" -v b="${ours[10]}" 'BEGIN { printf "%.3f", (a - b) / 40 }')
theirs_page=$(awk -v a="${theirs[50]}" -v b="${theirs[10]}" 'BEGIN { printf "%.3f", (a - b) / 40 }')
printf '  per page (50 - 10 pages): Marovel %.3f ms, pdftotext %.3f ms\n' "$ours_page" "$theirs_page"
bench_goal "PDF text per page against pdftotext" "$(bench_ratio "$ours_page" "$theirs_page")" 1.2

echo "extract: optical character recognition (for information, no goal)"
"$bench" ocr || bench_fail "recognition benchmark failed"
bench_finish
