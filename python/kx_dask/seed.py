"""Seeding a cache in parts, one `kxhost seed --part I/N` task per part."""
import os
import shutil
import subprocess


def kxhost_program():
    """The kxhost to run: $KXHOST, else the one on PATH."""
    found = os.environ.get("KXHOST") or shutil.which("kxhost")
    if not found:
        raise FileNotFoundError("kxhost not found: set KXHOST or put it on PATH")
    return found


def seed_part(source, cache, part, parts, levels, options, threads):
    """One part of the seed, on a worker; kxhost's summary line."""
    command = [kxhost_program(), "seed", str(source), "--cache", str(cache), "--levels", levels,
               "--part", f"{part}/{parts}", "--threads", str(threads)]
    for key, value in options.items():
        command += [f"--{key.replace('_', '-')}", str(value)]
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"kxhost seed part {part}/{parts} failed: {done.stderr.strip()}")
    return done.stdout.strip()


def seed(client, source, cache, levels="0", parts=None, threads=1, retries=2, **options):
    """Seeds CACHE with every tile of LEVELS (kxhost's --levels, e.g. "0-3")
    for the chain OPTIONS describe (kxhost's render options as keywords,
    e.g. bands="3,2,1"), split into PARTS tasks (default: one per worker
    thread). Returns the parts' summary lines, in part order."""
    parts = parts or max(1, sum(client.nthreads().values()))
    futures = [client.submit(seed_part, source, cache, part, parts, levels, options, threads, key=f"kx-seed-{part}-{parts}-{cache}",
                             retries=retries, pure=False)
               for part in range(1, parts + 1)]
    return client.gather(futures)
