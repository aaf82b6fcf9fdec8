"""Seeding and rendering on two Dask worker processes against one process."""
import os
import signal
import subprocess
import time

import numpy as np
import pytest
from osgeo import gdal

from conftest import tile_files
from kx_dask import render, seed
from kx_dask.seed import kxhost_program, seed_part

pytestmark = pytest.mark.cluster
LEVELS = "0-2"


@pytest.fixture(scope="module")
def one_process(source, tmp):
    """The tiles one kxhost seed writes for bands 3,2,1."""
    cache = tmp / "one-process"
    subprocess.run([kxhost_program(), "seed", str(source), "--cache", str(cache), "--levels", LEVELS,
                    "--bands", "3,2,1"], check=True, capture_output=True)
    tiles = tile_files(cache)
    assert tiles
    return tiles


def test_tiles_seeded_on_workers_differ_from_one_process(client, source, tmp, one_process):
    seed(client, source, tmp / "parts", levels=LEVELS, parts=5, bands="3,2,1")
    assert tile_files(tmp / "parts") == one_process
    assert not list((tmp / "parts").rglob("*.tmp"))


def dying_part(marker, source, cache, part, parts):
    """A seed part whose first run is killed mid-seed together with its worker."""
    if not os.path.exists(marker):
        open(marker, "w").close()
        command = [kxhost_program(), "seed", str(source), "--cache", str(cache), "--levels", LEVELS, "--part",
                   f"{part}/{parts}", "--threads", "1", "--bands", "3,2,1"]
        running = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.1)
        running.send_signal(signal.SIGKILL)
        running.wait()
        os._exit(1)  # the worker dies; Dask runs the task again on a worker that lives
    return seed_part(source, cache, part, parts, LEVELS, {"bands": "3,2,1"}, 1)


def test_a_worker_killed_mid_seed_leaves_the_cache_incomplete(client, source, tmp, one_process):
    cache = tmp / "killed"
    futures = [client.submit(dying_part, str(tmp / "killed.marker"), source, cache, part, 3, retries=2, pure=False)
               for part in (1, 2, 3)]
    client.gather(futures)
    assert (tmp / "killed.marker").exists()
    assert tile_files(cache) == one_process


def test_render_on_workers_differs_from_one_read(client, source, tmp):
    connection = f"kx://{source}?bands=3,2,1&rotate=90&cache={tmp / 'render-cache'}"
    rendered = gdal.Open(str(render(client, connection, tmp / "rendered.tif", tile=256)))
    expected = gdal.Open(f"kx://{source}?bands=3,2,1&rotate=90")
    assert np.array_equal(rendered.ReadAsArray(), expected.ReadAsArray())
    assert rendered.GetGeoTransform() == pytest.approx(expected.GetGeoTransform())
