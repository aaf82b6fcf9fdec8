"""A running `kxhost serve` over a sample with a magenta logo, and headless
Chromium through selenium to look at its page. The suite runs when the build
names kxhost and a scratch directory; elsewhere it is skipped."""
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys

import pytest

sys.dont_write_bytecode = True
READY = all(os.environ.get(name) for name in ("KXHOST", "KX_TEST_TMPDIR"))
if READY:
    os.environ.setdefault("KX_REGISTRY_ROOT", os.path.join(os.environ["KX_TEST_TMPDIR"], "empty-registry"))

# The logo's colour, which the sample image never holds, so any pixel of it on screen is the stamp.
LOGO_RGB = (255, 0, 255)
# Wide enough that the stamp covers blocks well inside it, small enough to fit every tile.
LOGO_SIZE = (40, 24)
# Bounds every wait on the server and the browser: the whole suite runs in well under a minute.
WAIT_SECONDS = 60


def pytest_collection_modifyitems(config, items):
    for item in items:
        if not READY:
            item.add_marker(pytest.mark.skip(reason="KXHOST and KX_TEST_TMPDIR name the build"))


@pytest.fixture(scope="session")
def tmp():
    """The suite's directory below the build's test directory; screenshots stay there after the run."""
    root = pathlib.Path(os.environ["KX_TEST_TMPDIR"]) / "serve"
    shutil.rmtree(root, ignore_errors=True)
    root.mkdir(parents=True)
    return root


@pytest.fixture(scope="session")
def logo(tmp):
    """A small logo all of one colour, written with GDAL."""
    from osgeo import gdal
    import numpy as np
    path = tmp / "logo.tif"
    width, height = LOGO_SIZE
    dataset = gdal.GetDriverByName("GTiff").Create(str(path), width, height, 3, gdal.GDT_Byte)
    for band, value in enumerate(LOGO_RGB, start=1):
        dataset.GetRasterBand(band).WriteArray(np.full((height, width), value, np.uint8))
    dataset = None
    return path


@pytest.fixture(scope="module")
def server(tmp, logo):
    """`kxhost serve` on a free loopback port over a 1500x1000 sample, with the logo and a fresh cache."""
    source = tmp / "scene.tif"
    subprocess.run([os.environ["KXHOST"], "sample", str(source), "--bands", "3", "--size", "1500x1000"],
                   check=True, capture_output=True, timeout=WAIT_SECONDS)
    cache = tmp / "cache"
    shutil.rmtree(cache, ignore_errors=True)
    log = open(tmp / "server.log", "w")
    process = subprocess.Popen([os.environ["KXHOST"], "serve", str(source), "--watermark", str(logo),
                                "--cache", str(cache), "--bind", "127.0.0.1", "--port", "0"],
                               stdout=subprocess.PIPE, stderr=log, text=True)
    line = process.stdout.readline()
    match = re.fullmatch(r"kxhost serve: listening on (http://127\.0\.0\.1:\d+/)\n", line)
    if not match:
        process.kill()
        pytest.fail(f"kxhost serve printed {line!r}, not where it listens")
    process.url = match.group(1)
    yield process
    if process.poll() is None:
        process.send_signal(signal.SIGKILL)
    process.wait(WAIT_SECONDS)
    log.close()


@pytest.fixture(scope="module")
def browser():
    """Headless Chromium at 1024x768 that keeps every console message."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1024,768",
                     "--force-device-scale-factor=1"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(WAIT_SECONDS)
    yield driver
    driver.quit()
