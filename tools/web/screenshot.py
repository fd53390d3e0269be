"""The README's picture of the page: the site in headless Chromium, the pointer on START.
  /usr/bin/python3 tools/web/screenshot.py docs/web.png          (after tools/dev web build)
  /usr/bin/python3 tools/web/screenshot.py phone.png phone       a phone held upright
  /usr/bin/python3 tools/web/screenshot.py turned.png turned     the same phone on its side"""

import os
import sys

import browser  # tools/web/browser.py, beside this script

# width, height, device pixel ratio; None: the desktop picture
DEVICES = {"desktop": None, "phone": (390, 844, 3), "turned": (844, 390, 3)}


def main():
    out = sys.argv[1]
    device = DEVICES[sys.argv[2] if len(sys.argv) > 2 else "desktop"]
    server = browser.Server(os.environ.get("FROTHY_SITE", "build-web/site"))
    page = browser.Page(server.url(), device=device)
    try:
        if device is None:
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
