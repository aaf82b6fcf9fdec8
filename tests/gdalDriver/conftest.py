"""Fixtures for the KX GDAL driver tests: samples made once with kxhost, its
renders as the reference, and a child process for opens that must fail."""
import json
import os
import pathlib
import shutil
import subprocess
import sys

import numpy as np
import pytest
from osgeo import gdal

sys.dont_write_bytecode = True  # keeps the test modules' bytecode out of the source tree
KXHOST = os.environ.get("KXHOST")
READY = all(os.environ.get(name) for name in ("GDAL_DRIVER_PATH", "KXHOST", "KX_TEST_TMPDIR"))
if READY:  # the module beside the build, whatever the machine's registry names
    os.environ.setdefault("KX_REGISTRY_ROOT", os.path.join(os.environ["KX_TEST_TMPDIR"], "empty-registry"))


def pytest_collection_modifyitems(config, items):
    if not READY:
        for item in items:
            item.add_marker(pytest.mark.skip(reason="GDAL_DRIVER_PATH, KXHOST and KX_TEST_TMPDIR name the build"))


def kx(src, **options):
    return f"kx://{src}?" + "&".join(f"{k}={v}" for k, v in options.items())


def as_array(path_or_ds, *window):
    """All bands (or a window of them) as one bands x rows x columns array."""
    ds = gdal.Open(str(path_or_ds)) if isinstance(path_or_ds, (str, pathlib.Path)) else path_or_ds
    assert ds is not None, f"cannot open {path_or_ds}: {gdal.GetLastErrorMsg()}"
    a = ds.ReadAsArray(*window)
    assert a is not None, gdal.GetLastErrorMsg()
    return a.reshape(-1, *a.shape[-2:])


def same_pixels(a, b):
    return a.dtype == b.dtype and a.shape == b.shape and np.array_equal(a, b)


@pytest.fixture(scope="session")
def tmp():
    root = pathlib.Path(os.environ["KX_TEST_TMPDIR"]) / "gdalDriver"
    shutil.rmtree(root, ignore_errors=True)
    root.mkdir(parents=True)
    return root


@pytest.fixture(scope="session")
def samples(tmp):
    """1100x900 rgb (with a metadata item of its own) and gray16, both with
    overviews; a 64x48 logo; Int16 and Float32 copies of gray16."""
    made = {name: tmp / f"{name}.tif" for name in ("rgb", "gray16", "logo", "int16", "float32")}
    for name, args in (("rgb", "3 1100x900 u8"), ("gray16", "1 1100x900 u16"), ("logo", "3 64x48 u8")):
        bands, size, dtype = args.split()
        subprocess.run([KXHOST, "sample", str(made[name]), "--bands", bands, "--size", size, "--type", dtype],
                       check=True, capture_output=True)
    gdal.Open(str(made["rgb"]), gdal.GA_Update).SetMetadataItem("KX_SAMPLE", "rgb")
    gdal.Translate(str(made["int16"]), str(made["gray16"]), outputType=gdal.GDT_Int16)
    gdal.Translate(str(made["float32"]), str(made["gray16"]), outputType=gdal.GDT_Float32)
    return made


@pytest.fixture
def render(tmp, request):
    """kxhost render SRC with the driver's OPTIONS and EXTRA arguments: the image it wrote."""
    def run(src, options, *extra):
        out = tmp / f"host-{request.node.name}-{'_'.join(extra)}.tif"
        args = [a for k, v in options.items() for a in (f"--{k.replace('_', '-')}", v)]
        done = subprocess.run([KXHOST, "render", str(src), "-o", str(out), *args, *extra], capture_output=True, text=True)
        assert done.returncode == 0 and out.exists(), done.stderr
        return out
    return run


_OPEN = """import json, sys
from osgeo import gdal
errors = []
gdal.PushErrorHandler(lambda cls, num, msg: errors.append(msg) if cls >= gdal.CE_Failure else None)
print(json.dumps({"opened": gdal.Open(sys.argv[1]) is not None, "errors": errors}))"""


def open_in_child(name):
    """gdal.Open(NAME) in a process of its own: whether it opened, and the errors raised."""
    done = subprocess.run([sys.executable, "-c", _OPEN, name], capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, f"opening {name} crashed ({done.returncode}): {done.stderr}"
    return json.loads(done.stdout)
