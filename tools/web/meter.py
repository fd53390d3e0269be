"""Measures the browser build in headless Chromium (a meter, not a test):
  /usr/bin/python3 tools/web/meter.py [SECONDS]   (after tools/dev web build)
the frame steps in SECONDS on the title and in play, the longest interval between steps, the
first frame's time after navigation, the site's size, and what a frame step costs in the page:
per tick as the page runs it, and back to back as a benchmark runs it. With the desktop's
benchmark built (FROTHY_BENCH, default build-test/frothy_bench), the same scenes' desktop costs
and the ratio follow. Last, a first visit over a slow network (1.6 Mbps down, 750 kbps up, 150 ms
round trips, Chromium's own emulation): what it transfers and when its first frame comes."""

import json
import os
import statistics
import subprocess
import sys
import time

import browser  # tools/web/browser.py, beside this script

SITE = os.environ.get("FROTHY_SITE", "build-web/site")
BENCH = os.environ.get("FROTHY_BENCH", "build-test/frothy_bench")
BACK_TO_BACK = 2000
SLOW = (150, 1.6e6 / 8, 750e3 / 8)  # latency ms, bytes a second down and up


def slow_first_visit(server):
    page = browser.Page(server.url(), network=SLOW)
    try:
        first = page.js("return frothyPage.firstFrameMs")
        sent = page.js("""
            const entries = performance.getEntriesByType('navigation')
                .concat(performance.getEntriesByType('resource'));
            return entries.map(e => [e.name.split('/').pop() || 'index.html', e.transferSize]);""")
        total = sum(size for _, size in sent)
        print(f"slow network, first visit: first frame {first:.0f} ms after navigation; "
              f"transferred {total} bytes ({', '.join(f'{n} {s}' for n, s in sent)})")
    finally:
        page.close()


def steps(page):
    n = page.js("return Module._frothy_step_count()")
    return page.js("const n = arguments[0]; const out = [];"
                   "for (let i = 0; i < n; ++i) out.push(Module._frothy_step_start(i));"
                   "return out;", n)


def window(page, seconds):
    """Frame steps and intervals over `seconds` of the page's own clock."""
    start = page.js("return performance.now()")
    time.sleep(seconds)  # a meter: it measures what a wall-clock span holds
    end = page.js("return performance.now()")
    times = [t for t in steps(page) if start <= t < end]
    gaps = [b - a for a, b in zip(times, times[1:])]
    return len(times), (end - start) / 1000, gaps


def desktop_costs():
    """The desktop benchmark's TitleFrame and PlayFrame in microseconds, or None without it."""
    if not os.path.exists(BENCH):
        return None
    out = subprocess.run([os.path.abspath(BENCH), "--benchmark_filter=^(TitleFrame|PlayFrame)$",
                          "--benchmark_format=json", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         cwd=os.path.join(os.path.dirname(BENCH), "data"), check=True,
                         capture_output=True, text=True).stdout
    costs = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            costs[b["run_name"]] = b["cpu_time"] / 1000  # ns
    return {"title": costs["TitleFrame"], "play": costs["PlayFrame"]}


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    files = [f for f in os.listdir(SITE) if not f.endswith((".br", ".gz"))]
    size = sum(os.path.getsize(os.path.join(SITE, f)) for f in files)
    brotli = sum(os.path.getsize(os.path.join(SITE, f + ".br")) for f in files
                 if os.path.exists(os.path.join(SITE, f + ".br")))
    server = browser.Server(SITE)
    page = browser.Page(server.url())
    try:
        first = page.js("return frothyPage.firstFrameMs")
        print(f"site: {size} bytes, {brotli} as brotli ({', '.join(sorted(files))})")
        print(f"first frame on the canvas: {first:.0f} ms after navigation")
        hot = {}
        for scene in ("title", "play"):
            if scene == "play":
                page.click(*browser.START)
            cost0 = page.js("return Module._frothy_step_cost_ms()")
            present0 = page.js("return Module._frothy_present_cost_ms()")
            n0 = page.ticks()
            count, span, gaps = window(page, seconds)
            n1 = page.ticks()
            cost = (page.js("return Module._frothy_step_cost_ms()") - cost0) / max(1, n1 - n0)
            present = (page.js("return Module._frothy_present_cost_ms()") - present0) / max(1, n1 - n0)
            print(f"{scene}: {count} frame steps in {span:.2f} s; intervals {min(gaps):.1f} to "
                  f"{max(gaps):.1f} ms (median {statistics.median(gaps):.2f}); "
                  f"> 35 ms: {sum(g > 35 for g in gaps)}; per tick: frame step {cost * 1000:.0f} us, "
                  f"to the canvas {present * 1000:.0f} us")
            page.js(f"Module._frothy_meter_steps({BACK_TO_BACK})")  # warm, as a benchmark is
            hot[scene] = page.js(f"return Module._frothy_meter_steps({BACK_TO_BACK})") * 1000 / BACK_TO_BACK
            print(f"{scene}: back to back: frame step {hot[scene]:.1f} us")
        print("console:", [e for e in page.console() if e["level"] == "SEVERE"] or "no errors")
        desktop = desktop_costs()
        for scene in ("title", "play"):
            if desktop:
                print(f"{scene}: desktop benchmark {desktop[scene]:.2f} us; the page's step costs "
                      f"{hot[scene] / desktop[scene]:.1f} x the desktop's")
    finally:
        page.close()
    try:
        slow_first_visit(server)
    finally:
        server.close()


if __name__ == "__main__":
    main()
