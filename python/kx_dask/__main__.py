"""python3 -m kx_dask seed|render ...: the same on a local cluster of N
worker processes, or on a running scheduler (--scheduler ADDRESS)."""
import argparse

from distributed import Client, LocalCluster

from kx_dask import render, seed


def main():
    parser = argparse.ArgumentParser(prog="python3 -m kx_dask")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes (default 2)")
    parser.add_argument("--scheduler", help="a running scheduler's address instead of a local cluster")
    commands = parser.add_subparsers(dest="command", required=True)
    seeding = commands.add_parser("seed", help="fill a cache with kxhost seed --part tasks")
    seeding.add_argument("source")
    seeding.add_argument("--cache", required=True)
    seeding.add_argument("--levels", default="0")
    seeding.add_argument("--parts", type=int)
    seeding.add_argument("--bands")
    rendering = commands.add_parser("render", help="render a kx:// name into a GeoTIFF")
    rendering.add_argument("connection")
    rendering.add_argument("-o", "--output", required=True)
    rendering.add_argument("--tile", type=int, default=512)
    args = parser.parse_args()

    cluster = None if args.scheduler else LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                                       processes=True, dashboard_address=None)
    with Client(args.scheduler or cluster) as client:
        if args.command == "seed":
            options = {"bands": args.bands} if args.bands else {}
            for line in seed(client, args.source, args.cache, args.levels, args.parts, **options):
                print(line)
        else:
            print(render(client, args.connection, args.output, args.tile))
    if cluster is not None:
        cluster.close()


if __name__ == "__main__":
    main()
