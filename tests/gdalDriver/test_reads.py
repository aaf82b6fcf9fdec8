"""Pixels through the driver against kxhost's renders of the same chains."""
import hashlib
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest
import rasterio
from osgeo import gdal
from rasterio.windows import Window

from conftest import as_array, kx, same_pixels

CHAINS = {
    "bands": ("rgb", {"bands": "3,2,1"}),
    "replace": ("rgb", {"replace": "0,0,0=255,255,255"}),
    "rotate-90": ("rgb", {"rotate": 90}),
    "watermark": ("rgb", {"watermark": "{logo}"}),
    "cache": ("rgb", {"cache": "{cache}", "cache_tile": "256x128"}),
    "stacked": ("rgb", {"bands": "3,2,1", "cache": "{cache}", "replace": "0,0,0=255,255,255", "rotate": 90,
                        "watermark": "{logo}"}),
    "u16-replace-turned": ("gray16", {"replace": "0=65535", "rotate": 270}),
    "int16-replace": ("int16", {"replace": "0=5"}),
}


def chain(samples, tmp, name, cache_name="driver"):
    """The sample and options of chain NAME, its cache (if any) in a folder of its own."""
    src, options = CHAINS[name]
    fill = {"logo": samples["logo"], "cache": tmp / f"cache-{name}-{cache_name}"}
    return samples[src], {k: str(v).format(**fill) for k, v in options.items()}


def stamp_tiles(options):
    """A watermark is stamped into every block the driver decodes (512x512
    here), as kxhost stamps every tile it decodes."""
    return ("--tile", "512") if "watermark" in options else ()


@pytest.mark.parametrize("name", CHAINS)
def test_translate_disagrees_with_kxhost_render(samples, tmp, render, name):
    src, options = chain(samples, tmp, name)
    out = gdal.Translate(str(tmp / f"translated-{name}.tif"), kx(src, **options))
    assert out is not None, gdal.GetLastErrorMsg()
    host = gdal.Open(str(render(src, chain(samples, tmp, name, "host")[1], *stamp_tiles(options))))
    assert same_pixels(as_array(out), as_array(host))
    assert out.GetGeoTransform() == pytest.approx(host.GetGeoTransform())


@pytest.mark.parametrize("name", ["rotate-90", "cache", "stacked", "u16-replace-turned"])
def test_window_across_blocks_disagrees_with_full_read(samples, tmp, name):
    src, options = chain(samples, tmp, name)
    connection = kx(src, **options)
    full = as_array(gdal.Open(connection))
    height, width = full.shape[1:]
    for x, y, w, h in [(0, 0, 1, 1), (500, 400, 30, 30), (250, 120, 600, 500), (width - 7, height - 5, 7, 5)]:
        expected = full[:, y:y + h, x:x + w]
        assert same_pixels(as_array(gdal.Open(connection), x, y, w, h), expected), (x, y, w, h)
        with rasterio.open(connection) as dataset:
            assert same_pixels(dataset.read(window=Window(x, y, w, h)), expected), (x, y, w, h)


@pytest.mark.parametrize("name", ["rotate-90", "stacked", "u16-replace-turned"])
def test_overview_disagrees_with_kxhost_at_its_magnification(samples, tmp, render, name):
    src, options = chain(samples, tmp, name)
    ds = gdal.Open(kx(src, **options))
    band = ds.GetRasterBand(1)
    sizes = [(band.GetOverview(i).XSize, band.GetOverview(i).YSize) for i in range(band.GetOverviewCount())]
    assert sizes == ([(450, 550), (225, 275)] if options.get("rotate") in ("90", "270") else [(550, 450), (275, 225)])
    host_options = chain(samples, tmp, name, "host")[1]
    for level, mag in enumerate(["0.5", "0.25"]):
        pixels = np.stack([ds.GetRasterBand(b + 1).GetOverview(level).ReadAsArray() for b in range(ds.RasterCount)])
        assert same_pixels(pixels, as_array(render(src, host_options, "--mag", mag, *stamp_tiles(options)))), mag


_CHILD_READ = """import hashlib, sys
from osgeo import gdal
print(hashlib.sha256(gdal.Open(sys.argv[1]).ReadAsArray().tobytes()).hexdigest())"""


def test_shared_cache_corrupts_reads_or_leaves_tmp_files(samples, tmp):
    cache = tmp / "cache-shared"
    cached = kx(samples["rgb"], bands="3,2,1", cache=cache, cache_tile="256x256", rotate=90)
    expected = gdal.Open(kx(samples["rgb"], bands="3,2,1", rotate=90)).ReadAsArray()
    children = [subprocess.Popen([sys.executable, "-c", _CHILD_READ, cached], stdout=subprocess.PIPE, text=True)
                for _ in range(2)]
    with ThreadPoolExecutor(4) as pool:
        results = list(pool.map(lambda _: gdal.Open(cached).ReadAsArray(), range(4), timeout=120))
    outputs = [c.communicate(timeout=120)[0].strip() for c in children]
    assert all(r is not None and np.array_equal(r, expected) for r in results)
    assert outputs == [hashlib.sha256(expected.tobytes()).hexdigest()] * 2
    assert any(cache.rglob("*")) and not list(cache.rglob("*.tmp"))
