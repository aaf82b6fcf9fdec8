"""kxhost serve's page in headless Chromium: the tiles draw, the logo sits in
each tile's bottom-right corner, nothing fails in the console, the form's
watermark switch takes the logo away, a turn asks for no tile outside the
turned image, and SIGTERM stops the server cleanly."""
import json
import os
import signal
import urllib.request

import numpy as np
from conftest import LOGO_RGB, LOGO_SIZE, WAIT_SECONDS

# Screenshots are PNG, so colours come back exact; a little slack covers any colour handling of the browser.
COLOUR_SLACK = 8
# The sample's gradients give thousands of colours; a blank or single-colour map gives a handful.
FEWEST_COLOURS_OF_A_DRAWN_MAP = 256


def open_page(driver, url):
    driver.get(url)
    wait_for_tiles(driver, lambda query: True)


def wait_for_tiles(driver, query_is_wanted):
    """Waits until the page's tile layer for a wanted query has loaded every tile in view."""
    from selenium.webdriver.support.ui import WebDriverWait
    WebDriverWait(driver, WAIT_SECONDS).until(lambda d: d.execute_script(
        "return document.body.dataset.tilesLoaded") == "true" and query_is_wanted(
        d.execute_script("return document.body.dataset.query")))


def screenshot(driver, path):
    """Keeps the screenshot at PATH and returns it as rows of RGB pixels."""
    from osgeo import gdal
    driver.save_screenshot(str(path))
    return np.moveaxis(gdal.Open(str(path)).ReadAsArray()[:3], 0, -1).astype(int)


def map_rect(driver):
    return driver.execute_script("const r = document.getElementById('map').getBoundingClientRect();"
                                 "return [r.left, r.top, r.right, r.bottom];")


def loaded_tiles(driver):
    """Every loaded tile: its level and column and row from its address, and its place on screen."""
    found = driver.execute_script(
        "return Array.from(document.querySelectorAll('.leaflet-tile-loaded'), tile => {"
        "  const r = tile.getBoundingClientRect();"
        "  return [new URL(tile.src).pathname, r.left, r.top, r.right, r.bottom]; });")
    tiles = []
    for path, *rect in found:
        z, x, y = (int(part) for part in path.removeprefix("/tiles/").removesuffix(".png").split("/"))
        tiles.append({"z": z, "x": x, "y": y, "rect": [round(edge) for edge in rect]})
    return tiles


def is_logo(pixels):
    return np.all(np.abs(pixels - np.array(LOGO_RGB)) <= COLOUR_SLACK, axis=-1)


def inside(rect, outer):
    return rect[0] >= outer[0] and rect[1] >= outer[1] and rect[2] <= outer[2] and rect[3] <= outer[3]


def whole_tiles_in_view(driver, url, query=""):
    """The loaded tiles that lie wholly inside the image and wholly in the map's view."""
    with urllib.request.urlopen(url + "info.json" + query, timeout=WAIT_SECONDS) as response:
        info = json.load(response)
    view = [round(edge) for edge in map_rect(driver)]
    whole = []
    for tile in loaded_tiles(driver):
        scale = 2.0 ** (tile["z"] - info["maxZoom"])
        in_image = 256 * (tile["x"] + 1) <= info["width"] * scale and 256 * (tile["y"] + 1) <= info["height"] * scale
        if in_image and inside(tile["rect"], view):
            whole.append(tile)
    return whole


def map_pixels(shot, driver):
    left, top, right, bottom = (round(edge) for edge in map_rect(driver))
    return shot[top:bottom, left:right]


def severe_console_messages(driver):
    return [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]


def test_page_shows_tiles_with_the_logo_in_each_corner_and_no_console_error(server, browser, tmp):
    open_page(browser, server.url)
    assert browser.execute_script("return window.devicePixelRatio") == 1
    shot = screenshot(browser, tmp / "viewer-watermark-on.png")

    # Drawn: the map holds the sample's many colours, not a blank or single-colour area.
    drawn = map_pixels(shot, browser)
    colours = np.unique(drawn[..., 0] << 16 | drawn[..., 1] << 8 | drawn[..., 2])
    assert len(colours) >= FEWEST_COLOURS_OF_A_DRAWN_MAP

    # Stamped: the logo fills the bottom-right corner of every whole tile in view (drawn 1:1 at a whole zoom).
    tiles = whole_tiles_in_view(browser, server.url)
    assert len(tiles) >= 2, "the view should hold whole tiles of the image"
    width, height = LOGO_SIZE
    for tile in tiles:
        left, top, right, bottom = tile["rect"]
        assert (right - left, bottom - top) == (256, 256), "tiles are drawn 1:1 at a whole zoom"
        corner = shot[bottom - height + 4:bottom - 4, right - width + 4:right - 4]
        assert is_logo(corner).all(), f"no logo in the corner of tile {tile['z']}/{tile['x']}/{tile['y']}"

    assert severe_console_messages(browser) == []


def test_watermark_switch_takes_the_logo_away(server, browser, tmp):
    open_page(browser, server.url)
    switch = browser.find_element("id", "watermark")
    assert switch.is_enabled() and switch.is_selected()
    switch.click()
    wait_for_tiles(browser, lambda query: "watermark=off" in query)
    shot = screenshot(browser, tmp / "viewer-watermark-off.png")

    assert whole_tiles_in_view(browser, server.url, "?watermark=off")
    assert not is_logo(map_pixels(shot, browser)).any()
    assert severe_console_messages(browser) == []


def test_turn_asks_for_no_tile_outside_the_turned_image(server, browser):
    from selenium.webdriver.support.ui import Select
    open_page(browser, server.url)
    Select(browser.find_element("id", "rotate")).select_by_value("90")
    wait_for_tiles(browser, lambda query: "rotate=90" in query)

    # The panel and the tile layer's bounds follow the swapped sides; a tile beyond them would log a 404.
    assert "1000 × 1500" in browser.find_element("id", "facts").text
    assert loaded_tiles(browser)
    assert severe_console_messages(browser) == []


def test_sigterm_stops_the_server_cleanly(server):
    server.send_signal(signal.SIGTERM)
    assert server.wait(timeout=WAIT_SECONDS) == 0
