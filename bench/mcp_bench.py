#!/usr/bin/env python3
"""Drives one marovel-mcp process: ping latency, then marovel_find_files against find(1)."""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FOLDERS_PER_AREA = 100
AREAS = 50             # 50 x 100 = 5,000 folders holding files
FILES_PER_FOLDER = 20  # 100,000 files
QUERY = "zqx"          # in every 3,333rd name only (30 names): both sides walk the whole tree
EVERY = 3_333
PINGS = 10_000
SEARCH_ROUNDS = 7


def make_tree(root):
    count = matches = 0
    for a in range(AREAS):
        for f in range(FOLDERS_PER_AREA):
            folder = os.path.join(root, f"area-{a:02d}", f"box-{f:03d}")
            os.makedirs(folder)
            for n in range(FILES_PER_FOLDER):
                special = count % EVERY == 7
                name = f"Report-ZQX-{count}.pdf" if special else f"scan-{count:06d}.pdf"
                open(os.path.join(folder, name), "wb").close()
                count += 1
                matches += special
    return count, matches


class Server:
    def __init__(self, path, env):
        self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=env)
        self.next_id = 0

    def request(self, method, params=None):
        self.next_id += 1
        message = {"jsonrpc": "2.0", "id": self.next_id, "method": method}
        if params is not None:
            message["params"] = params
        self.process.stdin.write(json.dumps(message).encode() + b"\n")
        self.process.stdin.flush()
        reply = json.loads(self.process.stdout.readline())
        if reply.get("id") != self.next_id or "result" not in reply:
            raise SystemExit(f"unexpected reply: {reply}")
        return reply["result"]

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)
        err = self.process.stderr.read()
        if err:
            print(f"server stderr: {err.decode(errors='replace')}", file=sys.stderr)


def main():
    server_path = sys.argv[1]
    scratch = tempfile.mkdtemp(prefix="marovel-bench-mcp-")
    try:
        tree = os.path.join(scratch, "tree")
        data = os.path.join(scratch, "data")
        os.makedirs(data)
        files, matches = make_tree(tree)
        assert 0 < matches < 50
        with open(os.path.join(data, "workspaces.json"), "w") as registry:
            json.dump([{"createdAt": "2026-01-01T00:00:00Z", "id": "tree", "name": "tree",
                        "path": os.path.realpath(tree)}], registry, indent=2)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": scratch,
               "MAROVEL_HOME": data, "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"}
        server = Server(server_path, env)

        # (a) round trips: one request written, its reply read, then the next one.
        server.request("initialize")
        times = []
        for _ in range(PINGS):
            start = time.perf_counter_ns()
            server.request("ping")
            times.append(time.perf_counter_ns() - start)
        times.sort()
        median = statistics.median(times) / 1000
        p99 = times[int(len(times) * 0.99) - 1] / 1000
        print(f"mcp ping: {PINGS} round trips, median {median:.1f} us, p99 {p99:.1f} us")

        # (b) the same name search through the server and through find, alternating, after
        # one warm-up of each so both read a cached tree.
        arguments = {"name": "marovel_find_files", "arguments": {"query": QUERY, "workspace_id": "tree"}}
        find_command = ["find", tree, "-iname", f"*{QUERY}*"]

        def run_server():
            result = server.request("tools/call", arguments)
            return len(json.loads(result["content"][0]["text"])["entries"])

        def run_find():
            out = subprocess.run(find_command, check=True, stdout=subprocess.PIPE).stdout
            return len(out.splitlines())

        found = (run_server(), run_find())
        if found != (matches, matches):
            raise SystemExit(f"expected {matches} matches from both, got {found}")
        ours, theirs = [], []
        for _ in range(SEARCH_ROUNDS):
            start = time.perf_counter()
            run_server()
            ours.append(time.perf_counter() - start)
            start = time.perf_counter()
            run_find()
            theirs.append(time.perf_counter() - start)
        server.close()
        a, b = statistics.median(ours) * 1000, statistics.median(theirs) * 1000
        print(f"mcp find: {files} files in {AREAS * FOLDERS_PER_AREA} folders, {matches} matches: "
              f"marovel_find_files {a:.1f} ms, find -iname {b:.1f} ms, ratio {a / b:.2f}x")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
