#!/usr/bin/python3
"""Converts a tree of text files to HTML on a Dask cluster with the scrivane module.

    dask_convert.py SOURCE DEST [--workers N | --scheduler ADDRESS] [--option NAME=VALUE]...

SOURCE/a/b.txt becomes DEST/a/b.txt.html, the names and documents that
`scrivane-convert -r SOURCE --output-dir DEST` gives. Without --scheduler the
files are converted on a local cluster of N worker processes on this machine;
with it, on the workers of a running Dask scheduler, which must see SOURCE and
DEST under the same paths (shared storage) and have the scrivane module. Options
are scrivane-convert's long options: --option format=table --option separator=tab.
"""

import argparse
import fnmatch
import os
import sys
import time


def plan(source, dest, include=("*.txt",)):
    """(input, output) pairs for the files below `source`, as scrivane-convert -r names them.

    Hidden files and folders are skipped; folders are walked in name order."""
    source, dest = os.path.abspath(source), os.path.abspath(dest)
    jobs = []
    for folder, subfolders, files in os.walk(source):
        subfolders[:] = sorted(name for name in subfolders if not name.startswith("."))
        for name in sorted(files):
            if name.startswith(".") or not any(fnmatch.fnmatch(name, pattern) for pattern in include):
                continue
            relative = os.path.relpath(os.path.join(folder, name), source)
            jobs.append((os.path.join(source, relative), os.path.join(dest, relative + ".html")))
    return jobs


def convert_batch(jobs, options):
    """Runs on a worker: converts its share of files; returns (converted, [(input, reason)])."""
    import scrivane  # on the worker, not on the client

    failures = []
    for source, target in jobs:
        try:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            scrivane.convert_file(source, target, **options)
        except (OSError, ValueError) as error:
            failures.append((source, str(error)))
    return len(jobs) - len(failures), failures


def convert_tree(client, source, dest, options, include=("*.txt",)):
    """Converts the tree on the client's cluster; returns (converted, failures)."""
    jobs = plan(source, dest, include)
    workers = max(1, len(client.scheduler_info()["workers"]))
    # A few batches per worker: the scheduler balances them, and a task costs far
    # more than converting one small file.
    size = max(1, min(500, len(jobs) // (workers * 4) or 1))
    batches = [jobs[i:i + size] for i in range(0, len(jobs), size)]
    converted, failures = 0, []
    for done, failed in client.gather(client.map(convert_batch, batches, options=options, pure=False)):
        converted += done
        failures.extend(failed)
    return converted, failures


def parse_options(pairs):
    options = {}
    for pair in pairs:
        name, equals, value = pair.partition("=")
        if not equals:
            raise SystemExit(f"--option needs NAME=VALUE, not '{pair}'")
        options[name.replace("-", "_")] = value
    return options


def main(arguments=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source", help="the folder of text files")
    parser.add_argument("dest", help="the folder the documents go to")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", help="address of a running Dask scheduler (tcp://host:8786)")
    where.add_argument("--workers", type=int, default=os.cpu_count(),
                       help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--option", action="append", default=[], metavar="NAME=VALUE",
                        help="a scrivane-convert option, such as format=list; may be repeated")
    parser.add_argument("--include", action="append", metavar="PATTERN",
                        help="convert the files whose names match PATTERN (default: *.txt); may be repeated")
    args = parser.parse_args(arguments)
    options = parse_options(args.option)
    include = tuple(args.include or ["*.txt"])

    import scrivane
    try:
        scrivane.convert("", **options)  # a wrong option fails here, not on every worker
    except (ValueError, TypeError) as error:
        parser.error(str(error))
    from dask.distributed import Client, LocalCluster

    started = time.perf_counter()
    if args.scheduler:
        client, cluster = Client(args.scheduler), None
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        client = Client(cluster)
    try:
        workers = len(client.scheduler_info()["workers"])
        ready = time.perf_counter()
        converted, failures = convert_tree(client, args.source, args.dest, options, include)
        seconds = time.perf_counter() - ready
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    for source, reason in failures:
        print(f"dask_convert: {reason}" if source in reason else f"dask_convert: {source}: {reason}",
              file=sys.stderr)
    rate = converted / seconds if seconds > 0 else 0.0
    print(f"Converted {converted} of {converted + len(failures)} files on {workers} workers in {seconds:.2f} s "
          f"({rate:.0f} files/s; cluster ready after {ready - started:.1f} s).")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
