#!/usr/bin/python3
"""One round of the benchmark queries through Recoll's own query API, the database opened
once: prints "group<TAB>query<TAB>ms<TAB>hits" like marovel_index_bench query.

usage: recoll_queries.py CONFDIR QUERIES.json
"""
import json
import sys
import time

from recoll import recoll


def main():
    confdir, queries_path = sys.argv[1], sys.argv[2]
    with open(queries_path) as f:
        groups = json.load(f)
    db = recoll.connect(confdir=confdir)
    warm = db.query()
    warm.execute("warm")
    warm.fetchmany(100)
    for group in ("english", "chinese2", "chinese4", "rare"):
        for q in groups[group]:
            start = time.perf_counter()
            query = db.query()
            query.execute(q)
            docs = query.fetchmany(100)
            ms = (time.perf_counter() - start) * 1000
            print("%s\t%s\t%.3f\t%d" % (group, q, ms, len(docs)))


if __name__ == "__main__":
    main()
