#!/usr/bin/env python3
"""Drives marovel-mcp and the reference filesystem MCP server side by side in one run.

Usage: mcp_bench.py <marovel-mcp> <reference server script> <node>

Both servers are started once, over stdio, and answer the same work alternately:
  (a) ping round trips, in interleaved blocks;
  (b) a name search over a tree of Chinese and ASCII names, once with a Chinese and once
      with an ASCII query. Each query matches fewer names than marovel_find_files returns
      at most, so both servers walk the whole tree, and both must find the same names.
The last lines ("result <label> <ours> <reference>") are read by bench/mcp.sh.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

AREAS = 20             # half with Chinese names, half with ASCII names
FOLDERS_PER_AREA = 50  # 1,000 folders holding files
FILES_PER_FOLDER = 20  # 20,000 files
EVERY = 1_111          # one name in 1,111 matches a query: 18 of each, fewer than 50
PING_BLOCKS = 10
PINGS_PER_BLOCK = 500
SEARCH_ROUNDS = 5
# (label, marovel query, reference glob). The reference matches globs case-sensitively and
# Marovel substrings case-insensitively; the matching names are written in lower case and
# no other name holds the query in any case, so both select the same names.
QUERIES = [("chinese", "发票", "**/*发票*"), ("ascii", "zqx", "**/*zqx*")]


def make_tree(root):
    count = 0
    matches = {label: set() for label, _, _ in QUERIES}
    for a in range(AREAS):
        area = f"区域-{a:02d}" if a % 2 else f"area-{a:02d}"
        for f in range(FOLDERS_PER_AREA):
            box = f"文件夹-{f:03d}" if f % 2 else f"box-{f:03d}"
            folder = os.path.join(root, area, box)
            os.makedirs(folder)
            for _ in range(FILES_PER_FOLDER):
                if count % EVERY == 7:
                    name, label = f"增值税发票-{count}.pdf", "chinese"
                elif count % EVERY == 500:
                    name, label = f"report-zqx-{count}.pdf", "ascii"
                else:
                    name = f"扫描件-{count:06d}.pdf" if count % 2 else f"scan-{count:06d}.pdf"
                    label = None
                path = os.path.join(folder, name)
                open(path, "wb").close()
                if label:
                    matches[label].add(path)
                count += 1
    return count, matches


class Server:
    def __init__(self, command, env):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, env=env)
        self.next_id = 0

    def send(self, message):
        self.process.stdin.write(json.dumps(message, ensure_ascii=False).encode() + b"\n")
        self.process.stdin.flush()

    def request(self, method, params=None):
        self.next_id += 1
        message = {"jsonrpc": "2.0", "id": self.next_id, "method": method}
        if params is not None:
            message["params"] = params
        self.send(message)
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise SystemExit(f"{self.process.args[0]} closed its output")
            reply = json.loads(line)
            if "id" in reply and "method" not in reply:
                break  # notifications and requests of the server are not answers
        if reply.get("id") != self.next_id or "result" not in reply:
            raise SystemExit(f"unexpected reply: {reply}")
        return reply["result"]

    def initialize(self):
        self.request("initialize", {"protocolVersion": "2024-11-05", "capabilities": {},
                                    "clientInfo": {"name": "marovel-bench", "version": "1"}})
        self.send({"jsonrpc": "2.0", "method": "notifications/initialized"})

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


def ping_block(server):
    times = []
    for _ in range(PINGS_PER_BLOCK):
        start = time.perf_counter_ns()
        server.request("ping")
        times.append(time.perf_counter_ns() - start)
    return times


def main():
    marovel, reference_script, node = sys.argv[1:4]
    scratch = tempfile.mkdtemp(prefix="marovel-bench-mcp-")
    servers = []
    try:
        tree = os.path.realpath(os.path.join(scratch, "tree"))
        data = os.path.join(scratch, "data")
        os.makedirs(data)
        files, matches = make_tree(tree)
        assert all(0 < len(found) < 50 for found in matches.values())
        with open(os.path.join(data, "workspaces.json"), "w") as registry:
            json.dump([{"createdAt": "2026-01-01T00:00:00Z", "id": "tree", "name": "tree",
                        "path": tree}], registry, indent=2)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": scratch,
               "MAROVEL_HOME": data, "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"}
        ours = Server([marovel], env)
        theirs = Server([node, reference_script, tree], env)
        servers = [ours, theirs]
        for server in servers:
            server.initialize()

        # (a) round trips: one request written, its reply read, then the next one. Blocks
        # alternate between the servers so load on the machine hits both alike.
        ping_block(ours), ping_block(theirs)  # warm-up
        our_pings, their_pings = [], []
        for _ in range(PING_BLOCKS):
            our_pings += ping_block(ours)
            their_pings += ping_block(theirs)
        a, b = statistics.median(our_pings) / 1000, statistics.median(their_pings) / 1000
        print(f"  ping: {PING_BLOCKS * PINGS_PER_BLOCK} round trips each, medians: "
              f"marovel-mcp {a:.1f} us, reference {b:.1f} us")
        results = [("ping", a, b)]

        # (b) the same name search through both servers, alternating, after one warm-up of
        # each so both read a cached tree. Both must report exactly the matching names.
        for label, query, pattern in QUERIES:
            def search_ours():
                result = ours.request("tools/call", {"name": "marovel_find_files", "arguments": {
                    "query": query, "workspace_id": "tree"}})
                return {entry["path"] for entry in json.loads(result["content"][0]["text"])["entries"]}

            def search_theirs():
                result = theirs.request("tools/call", {"name": "search_files", "arguments": {
                    "path": tree, "pattern": pattern}})
                return set(result["content"][0]["text"].splitlines())

            found = (search_ours(), search_theirs())
            if found != (matches[label], matches[label]):
                raise SystemExit(f"{label} search: expected {len(matches[label])} names from both, "
                                 f"got {len(found[0])} and {len(found[1])}")
            our_times, their_times = [], []
            for _ in range(SEARCH_ROUNDS):
                start = time.perf_counter()
                search_ours()
                our_times.append(time.perf_counter() - start)
                start = time.perf_counter()
                search_theirs()
                their_times.append(time.perf_counter() - start)
            a, b = statistics.median(our_times) * 1000, statistics.median(their_times) * 1000
            print(f"  {label} name search: {files} files in {AREAS * FOLDERS_PER_AREA} folders, "
                  f"{len(matches[label])} matches, medians of {SEARCH_ROUNDS}: "
                  f"marovel_find_files {a:.1f} ms, search_files {b:.1f} ms")
            results.append((f"{label}-search", a, b))
        for label, a, b in results:
            print(f"result {label} {a:.3f} {b:.3f}")
    finally:
        for server in servers:
            try:
                server.close()
            except Exception:
                server.process.kill()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
