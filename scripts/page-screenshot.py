#!/usr/bin/python3
"""Opens a `kxhost serve` page in headless Chromium, waits until its tiles
have loaded and saves a screenshot.
Usage: scripts/page-screenshot.py URL OUT.png [WIDTHxHEIGHT]"""
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

# A loaded page shows its tiles within seconds; a minute bounds a slow machine.
WAIT_SECONDS = 60


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    url, out = sys.argv[1], sys.argv[2]
    # Large enough that the README's 2048x1536 sample shows at half size, its tiles 1:1 with their logos.
    width, height = (int(side) for side in (sys.argv[3] if len(sys.argv) == 4 else "1400x960").split("x"))
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", f"--window-size={width},{height}",
                     "--force-device-scale-factor=1"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(WAIT_SECONDS)
        driver.get(url)
        WebDriverWait(driver, WAIT_SECONDS).until(
            lambda d: d.execute_script("return document.body.dataset.tilesLoaded") == "true")
        driver.save_screenshot(out)
    finally:
        driver.quit()
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
