#!/usr/bin/env bash
# marovel-mcp: round trips of 10,000 pings, and a name search over 100,000 files in 5,000
# folders against find(1) on the same tree, both in one run of one server process.
# Usage: bench/mcp.sh <build dir>
set -euo pipefail
build=${1:?usage: mcp.sh <build dir>}
server="$build/bin/marovel-mcp"
[ -x "$server" ] || { echo "mcp.sh: $server is not built" >&2; exit 1; }
exec python3 "$(cd "$(dirname "$0")" && pwd)/mcp_bench.py" "$server"
