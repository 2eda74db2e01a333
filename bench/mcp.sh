#!/usr/bin/env bash
# marovel-mcp against the reference filesystem MCP server (@modelcontextprotocol/server-filesystem,
# the version pinned in bench/mcp/package-lock.json), both running in the same run: ping round
# trips, and a name search over 20,000 files with Chinese and ASCII names in which both
# servers walk the whole tree and must find the same names.
# Goal: no slower than the reference at either (at most 1.0x).
# Usage: bench/mcp.sh <build dir>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
build=${1:?build folder}
server="$build/bin/marovel-mcp"
reference_dir="$build/bench/mcp"
echo "mcp: marovel-mcp against the reference filesystem server, in one run"
[ -x "$server" ] || { bench_fail "$server is not built"; bench_finish; exit; }
[ -f "$reference_dir/package-lock.json" ] || { bench_fail "$reference_dir is not configured"; bench_finish; exit; }
bench_require node npm python3 || { bench_finish; exit; }

# The pinned reference goes into the build tree with `npm ci`, the way the SDK client test
# installs its packages; nothing happens while the lock file is unchanged.
if ! cmake -DNPM="$(command -v npm)" -DDIR="$reference_dir" \
    -P "$here/../tests/mcp/client/npm-ci.cmake"; then
  bench_fail "installing the reference server failed"
  bench_finish
  exit
fi
reference="$reference_dir/node_modules/@modelcontextprotocol/server-filesystem/dist/index.js"
[ -f "$reference" ] || { bench_fail "$reference is missing"; bench_finish; exit; }

output=$(python3 "$here/mcp_bench.py" "$server" "$reference" "$(command -v node)")
status=$?
grep -v '^result ' <<<"$output"
if [ $status -ne 0 ]; then
  bench_fail "the benchmark driver failed ($status)"
  bench_finish
  exit
fi
while read -r _ label ours theirs; do
  bench_goal "$label against the reference" "$(bench_ratio "$ours" "$theirs")" 1.0
done < <(grep '^result ' <<<"$output")
bench_finish
