"""The README's picture of the page: the site in headless Chromium, the pointer on START.
  /usr/bin/python3 tools/web/screenshot.py docs/web.png   (after tools/dev web build)"""

import os
import sys

import browser  # tools/web/browser.py, beside this script


def main():
    out = sys.argv[1]
    server = browser.Server(os.environ.get("FROTHY_SITE", "build-web/site"))
    page = browser.Page(server.url())
    try:
        page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 720, "height": 470, "deviceScaleFactor": 1, "mobile": False})
        page.wait_ticks(2)
        page.move(*browser.START)
        page.wait_ticks(2)
        page.driver.save_screenshot(out)
    finally:
        page.close()
        server.close()


if __name__ == "__main__":
    main()
