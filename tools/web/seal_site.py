"""Finishes the browser site after the build: copies in the page's own files, writes the
service worker with the site's version key (a hash of every file it caches) and puts a brotli
(.br) and a gzip (.gz) sibling beside every file, made by Debian's `brotli` and `gzip`.
  python3 tools/web/seal_site.py SITE SW_TEMPLATE [SOURCE=NAME ...]"""

import hashlib
import json
import os
import shutil
import subprocess
import sys

COMPRESSED = (".br", ".gz")


def main():
    site, template, copies = sys.argv[1], sys.argv[2], sys.argv[3:]
    for pair in copies:
        source, name = pair.split("=", 1)
        shutil.copyfile(source, os.path.join(site, name))
    for name in os.listdir(site):
        if name.endswith(COMPRESSED) or name == "sw.js":
            os.remove(os.path.join(site, name))
    files = sorted(n for n in os.listdir(site) if os.path.isfile(os.path.join(site, n)))
    digest = hashlib.sha256()
    for name in files:
        digest.update(name.encode() + b"\0")
        with open(os.path.join(site, name), "rb") as f:
            digest.update(f.read())
    with open(template, encoding="utf-8") as f:
        worker = f.read()
    worker = worker.replace("@FROTHY_SITE_VERSION@", digest.hexdigest()[:16])
    worker = worker.replace("@FROTHY_SITE_FILES@", json.dumps(files))
    with open(os.path.join(site, "sw.js"), "w", encoding="utf-8") as f:
        f.write(worker)
    for name in files + ["sw.js"]:
        path = os.path.join(site, name)
        with open(path + ".gz", "wb") as out:
            subprocess.run(["gzip", "-9", "-n", "-c", path], stdout=out, check=True)
        subprocess.run(["brotli", "-q", "11", "-f", "-o", path + ".br", path], check=True)


if __name__ == "__main__":
    main()
