#!/usr/bin/python3
"""Loads `kxhost serve` with concurrent loopback clients (serveFetch): every tile of a few
levels, once with a fresh cache (cold: each tile decoded) and then again
(warm: each tile read from the cache), and compares the warm pass with the
same tiles read from the same cache and PNG-encoded in one process without
HTTP (serveTiles). Prints a report, then rows for scripts/bench.sh:
"row|work|ours ms|reference=ms|..."."""
import argparse
import http.client
import json
import math
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile

# Every wait on the server is bounded: a cold pass over the default levels takes seconds on two cores.
WAIT_SECONDS = 600


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--kxhost", required=True, help="the kxhost program")
    parser.add_argument("--serve-tiles", required=True, help="the in-process reference program serveTiles")
    parser.add_argument("--serve-fetch", required=True, help="the load program serveFetch")
    parser.add_argument("--image", required=True, help="the source image, e.g. an 8192x8192 RGB GeoTIFF")
    # Levels 2-5 of an 8192-pixel image are 16 + 64 + 256 + 1024 tiles: every pixel once at 1:1 and its overviews.
    parser.add_argument("--levels", default="2-5", help="the tile levels z to fetch, A-B")
    # Eight clients keep both of the machine's cores and every server thread busy while some wait on the network.
    parser.add_argument("--clients", type=int, default=8, help="concurrent keep-alive connections")
    # Three warm passes; the best one, as serveTiles reports its best, is the least disturbed by other work.
    parser.add_argument("--rounds", type=int, default=3, help="warm passes, and serveTiles rounds")
    parser.add_argument("--work", default=None, help="directory for the cache (default: a temporary one)")
    return parser.parse_args()


class Server:
    """`kxhost serve` on a free loopback port, stopped with SIGTERM."""

    def __init__(self, kxhost, image, cache, threads):
        # As many decodes at once as serveTiles runs threads: the comparison is of HTTP, not of thread counts.
        self.process = subprocess.Popen([kxhost, "serve", image, "--cache", str(cache), "--bind", "127.0.0.1",
                                         "--port", "0", "--threads", str(threads)], stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        match = re.fullmatch(r"kxhost serve: listening on http://127\.0\.0\.1:(\d+)/\n", line)
        if not match:
            self.process.kill()
            sys.exit(f"kxhost serve printed {line!r}, not where it listens")
        self.port = int(match.group(1))

    def get(self, path):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=WAIT_SECONDS)
        connection.request("GET", path)
        response = connection.getresponse()
        body = response.read()
        connection.close()
        if response.status != 200:
            sys.exit(f"GET {path}: {response.status}")
        return body

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(WAIT_SECONDS)
        if status != 0:
            sys.exit(f"kxhost serve exited with {status} on SIGTERM")


def tile_paths(info, first, last):
    """Every tile address of levels FIRST..LAST, in the server's scheme."""
    paths = []
    for z in range(first, last + 1):
        scale = 2.0 ** (z - info["maxZoom"])
        columns = math.ceil(info["width"] * scale / info["tileSize"])
        rows = math.ceil(info["height"] * scale / info["tileSize"])
        paths += [f"/tiles/{z}/{x}/{y}.png" for y in range(rows) for x in range(columns)]
    return paths


def fetch_all(serve_fetch, port, paths, clients):
    """Fetches every path once over CLIENTS keep-alive connections (serveFetch, C++, so that the clients take
    little of the cores they share with the server); returns wall ms, latencies (ms), cache hits."""
    result = subprocess.run([serve_fetch, str(port), str(clients)], input="\n".join(paths), capture_output=True,
                            text=True, timeout=WAIT_SECONDS)
    if result.returncode != 0:
        sys.exit(f"serveFetch failed: {result.stderr.strip()}")
    lines = result.stdout.split()
    match = re.fullmatch(r"wall_ms=([0-9.]+)", lines[0]), re.fullmatch(r"hits=(\d+)", lines[1])
    if not all(match):
        sys.exit(f"serveFetch printed {result.stdout[:80]!r}")
    return float(match[0].group(1)), [float(value) for value in lines[2:]], int(match[1].group(1))


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, math.ceil(share * len(ordered)) - 1)]


def in_process(serve_tiles, image, cache, levels, threads, rounds):
    """serveTiles over the same levels and warm cache: tile count and ms per pass."""
    result = subprocess.run([serve_tiles, image, "--cache", str(cache), "--levels", levels, "--threads",
                             str(threads), "--rounds", str(rounds)], capture_output=True, text=True,
                            timeout=WAIT_SECONDS, check=True)
    match = re.search(r"tiles=(\d+) ms=([0-9.]+)", result.stdout)
    if not match:
        sys.exit(f"serveTiles printed {result.stdout!r}")
    return int(match.group(1)), float(match.group(2))


def main():
    arguments = parse_arguments()
    first, last = (int(level) for level in arguments.levels.split("-"))
    for program in (arguments.kxhost, arguments.serve_tiles, arguments.serve_fetch):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is not built (the bench preset builds it with the tools)")
    work = pathlib.Path(arguments.work or tempfile.mkdtemp(prefix="serve-load-"))
    cache = work / "serve-cache"
    shutil.rmtree(cache, ignore_errors=True)

    # Cold: a fresh cache, so the server decodes every tile; warm: the same tiles again, every one a hit.
    server = Server(arguments.kxhost, arguments.image, cache, arguments.clients)
    info = json.loads(server.get("/info.json"))
    paths = tile_paths(info, first, last)
    cold_ms, cold_latencies, _ = fetch_all(arguments.serve_fetch, server.port, paths, arguments.clients)
    warm = [fetch_all(arguments.serve_fetch, server.port, paths, arguments.clients) for _ in range(arguments.rounds)]
    server.stop()
    warm_ms = min(ms for ms, _, _ in warm)
    warm_latencies = [latency for _, latencies, _ in warm for latency in latencies]
    warm_hits = min(hits for _, _, hits in warm)
    if warm_hits != len(paths):
        sys.exit(f"the warm pass hit the cache for {warm_hits} of {len(paths)} tiles")

    # The in-process reference: the same tiles from the same cache, PNG-encoded, no HTTP.
    reference_tiles, reference_ms = in_process(arguments.serve_tiles, arguments.image, cache, arguments.levels,
                                               arguments.clients, arguments.rounds)
    if reference_tiles != len(paths):
        sys.exit(f"serveTiles made {reference_tiles} tiles, the server was asked for {len(paths)}")

    tiles = len(paths)
    print(f"{info['width']}x{info['height']}, levels {arguments.levels}: {tiles} tiles, "
          f"{arguments.clients} keep-alive loopback clients")
    for name, ms, latencies in (("cold", cold_ms, cold_latencies), ("warm", warm_ms, warm_latencies)):
        print(f"  {name}: {ms:9.1f} ms a pass, {tiles / ms * 1000:8.0f} tiles/s, "
              f"p50 {percentile(latencies, 0.5):6.2f} ms, p99 {percentile(latencies, 0.99):6.2f} ms")
    print(f"  in process (serveTiles, {arguments.clients} threads): {reference_ms:9.1f} ms a pass, "
          f"{tiles / reference_ms * 1000:8.0f} tiles/s")
    print(f"  warm / in process: {warm_ms / reference_ms:.2f}x the time (goal <= 1.25); "
          f"cold / warm: {cold_ms / warm_ms:.2f}x (goal >= 3)")
    print(f"row|serve: warm pass, {tiles} tiles over HTTP|{warm_ms:.2f}|in-process PNG tiles, serveTiles="
          f"{reference_ms:.2f}|cold pass, fresh cache={cold_ms:.2f}")
    print(f"row|serve: warm p50 tile latency|{percentile(warm_latencies, 0.5):.2f}|cold p50="
          f"{percentile(cold_latencies, 0.5):.2f}")
    print(f"row|serve: warm p99 tile latency|{percentile(warm_latencies, 0.99):.2f}|cold p99="
          f"{percentile(cold_latencies, 0.99):.2f}")
    if not arguments.work:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
