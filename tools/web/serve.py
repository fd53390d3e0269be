"""Serves the browser site as a static host would: each file's precompressed sibling (.br,
else .gz) when the browser takes that encoding, with Content-Encoding and Vary set, and cache
headers that make the browser ask again for anything that may have changed (the service worker
keeps the offline copy). Binds 127.0.0.1 only.
  python3 tools/web/serve.py [PORT] [SITE]     (default 8000 and build-web/site)"""

import email.utils
import functools
import http.server
import os
import socketserver
import sys

TYPES = {".wasm": "application/wasm", ".webmanifest": "application/manifest+json",
         ".data": "application/octet-stream", ".js": "text/javascript",
         ".html": "text/html; charset=utf-8", ".png": "image/png"}
ENCODINGS = (("br", ".br"), ("gzip", ".gz"))


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # connections kept open, as any host does
    def log_message(self, *args):
        if self.server_log:
            super().log_message(*args)

    server_log = True

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            if not self.path.split("?", 1)[0].endswith("/"):
                return super().send_head()  # the redirect to the folder
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path):
            self.send_error(404, "File not found")
            return None
        accepted = {e.split(";")[0].strip() for e in self.headers.get("Accept-Encoding", "").split(",")}
        served, encoding = path, None
        for name, suffix in ENCODINGS:
            if name in accepted and os.path.isfile(path + suffix):
                served, encoding = path + suffix, name
                break
        stat = os.stat(served)
        etag = f'"{stat.st_mtime_ns:x}-{stat.st_size:x}{"-" + encoding if encoding else ""}"'
        if self.headers.get("If-None-Match") == etag:
            self.send_response(304)
            self.send_header("ETag", etag)
            self.end_headers()
            return None
        f = open(served, "rb")
        self.send_response(200)
        ext = os.path.splitext(path)[1]
        self.send_header("Content-Type", TYPES.get(ext) or self.guess_type(path))
        if encoding:
            self.send_header("Content-Encoding", encoding)
        self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(stat.st_size))
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", email.utils.formatdate(stat.st_mtime, usegmt=True))
        # The names carry no version: every visit checks, and an unchanged file costs a 304.
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        return f


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def make_server(folder, port=0, log=True):
    handler = functools.partial(type("Handler", (SiteHandler,), {"server_log": log}),
                                directory=folder)
    return Server(("127.0.0.1", port), handler)


def main():
    if len(sys.argv) > 3 or (len(sys.argv) > 1 and not sys.argv[1].isdigit()):
        print("usage: serve.py [PORT [SITE]]  (default 8000 build-web/site)", file=sys.stderr)
        sys.exit(2)
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 8000
    site = sys.argv[2] if len(sys.argv) > 2 else "build-web/site"
    httpd = make_server(site, port)
    print(f"Serving {site} at http://127.0.0.1:{port}/ (Ctrl+C stops)", flush=True)
    try:
        httpd.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
