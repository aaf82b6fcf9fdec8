"""A local cluster of two worker processes for the Dask tests, and samples
made with kxhost. The suite runs when the build names kxhost, the GDAL driver
and a scratch directory; elsewhere it is skipped."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

sys.dont_write_bytecode = True
READY = all(os.environ.get(name) for name in ("GDAL_DRIVER_PATH", "KXHOST", "KX_TEST_TMPDIR"))
if READY:
    os.environ.setdefault("KX_REGISTRY_ROOT", os.path.join(os.environ["KX_TEST_TMPDIR"], "empty-registry"))


def pytest_configure(config):
    config.addinivalue_line("markers", "cluster: starts a local Dask cluster (worker processes on 127.0.0.1)")


def pytest_collection_modifyitems(config, items):
    for item in items:
        if not READY:
            item.add_marker(pytest.mark.skip(reason="GDAL_DRIVER_PATH, KXHOST and KX_TEST_TMPDIR name the build"))


@pytest.fixture(scope="session")
def tmp():
    root = pathlib.Path(os.environ["KX_TEST_TMPDIR"]) / "dask"
    shutil.rmtree(root, ignore_errors=True)
    root.mkdir(parents=True)
    return root


@pytest.fixture(scope="session")
def source(tmp):
    path = tmp / "rgb.tif"
    subprocess.run([os.environ["KXHOST"], "sample", str(path), "--bands", "3", "--size", "1500x1100"],
                   check=True, capture_output=True)
    return path


@pytest.fixture(scope="session")
def client():
    from distributed import Client, LocalCluster
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
        with Client(cluster) as connected:
            yield connected


def tile_files(cache):
    """Every tile file below CACHE, by path relative to it, with its bytes."""
    return {str(p.relative_to(cache)): p.read_bytes() for p in pathlib.Path(cache).rglob("*.raw")}
