"""Runs the browser tests when the site has been built (tools/dev test builds it first);
otherwise reports the test as skipped."""

import os
import sys
import unittest

SKIPPED = 77

if __name__ == "__main__":
    site = os.environ.get("FROTHY_SITE", "build-web/site")
    if not os.path.exists(os.path.join(site, "index.html")):
        print(f"no site in {site}: build it with tools/web/build-site.sh")
        sys.exit(SKIPPED)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    result = unittest.main(module="test_web", exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
