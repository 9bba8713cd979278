#!/usr/bin/python3
"""Prints what fedtax.html costs a person, in each browser engine: the time
from the start of the navigation to the first prompt, each run in a browser
started afresh (a cold cache), and the time that a pasted session of 200
entries takes, from the paste to the words that say the program has ended;
and the page's size, raw and gzip-compressed (as a web server may send it).
Medians and ranges of several runs. A benchmark, not a test: nothing here
passes or fails on a figure. Given several pages (an earlier release's, say),
it measures them side by side, in the same run.

    bench/page.py [--runs N] [--engines chromium,webkit,firefox] [PAGE...]
    (PAGE by default build-wasi/fedtax.html: build it first, with the WASI
    toolchain)

Each page is served from a static server of this machine, with a script
put at the start of its head that notes the moments. The engines are
those of tests/browser_test.py, which need what tests/browsers.py says.
"""
import argparse
import gzip
import http.server
import os
import statistics
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests"))
import browsers  # noqa: E402 (the tests' own browsers, and their paste)

ENTRIES = 200
# Notes the moment, from the start of the navigation, when the first
# prompt shows in the dialogue (in 1.5.0's page, the terminal), and when
# the page says that the program has ended.
WATCH = b"""<script>
new MutationObserver(() => {
    const shown = (selector) => document.querySelector(selector)?.textContent ?? '';
    if (window.firstPrompt === undefined &&
        shown('#dialogue, .xterm-rows').includes('(ex. 123456789)')) {
        window.firstPrompt = performance.now();
    }
    if (window.ended === undefined && /status 0/.test(shown('.ended, #status'))) {
        window.ended = performance.now();
    }
}).observe(document, {subtree: true, childList: true, characterData: true});
</script>"""


def session():
    lines = []
    for entry in range(ENTRIES):
        lines += [f"{entry:09d}", f"{entry * 7919 % 400000}.{entry % 100:02d}",
                  "yes" if entry < ENTRIES - 1 else "no"]
    return "\n".join(lines) + "\nq"


class PageServer(http.server.ThreadingHTTPServer):
    """Serves `page` at /, with WATCH first in its head."""

    def __init__(self, page):
        with open(page, "rb") as file:
            body = file.read().replace(b"<head>", b"<head>" + WATCH, 1)

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200 if self.path == "/" else 404)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                if self.path == "/":
                    self.wfile.write(body)

            def log_message(self, *_):
                pass
        super().__init__(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.serve_forever, daemon=True).start()


def wait_for(browser, name):
    """The moment the page noted as `name`; None after 20 seconds without."""
    deadline = time.monotonic() + 20
    while (value := browser.script(f"return window.{name} ?? null")) is None:
        if time.monotonic() > deadline:
            return None
        time.sleep(0.01)
    return value


def one_run(engine, url, pasted):
    """The seconds to the first prompt, and those of the pasted session
    (None where the page never showed it)."""
    browser = browsers.start(engine)
    try:
        browser.get(url)
        first_prompt = wait_for(browser, "firstPrompt")
        if first_prompt is None:
            return None, None
        pasted_at = browser.script("return performance.now()")
        browser.paste(pasted)
        ended = wait_for(browser, "ended")
        return first_prompt / 1000, ended and (ended - pasted_at) / 1000
    finally:
        browser.quit()


def figures(name, values):
    seen = [value for value in values if value is not None]
    if not seen:
        return f"{name:24} never seen"
    return (f"{name:24} {statistics.median(seen):.3f} s median"
            f" ({min(seen):.3f} to {max(seen):.3f}, {len(seen)} of {len(values)} runs)")


def main():
    options = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    options.add_argument("--runs", type=int, default=5)
    options.add_argument("--engines", default="chromium,webkit,firefox")
    options.add_argument("pages", nargs="*", default=[os.path.join(ROOT, "build-wasi/fedtax.html")])
    arguments = options.parse_args()
    pasted = session()
    for page in map(os.path.abspath, arguments.pages):
        with open(page, "rb") as file:
            raw = file.read()
        print(f"page:    {page}")
        print(f"size:    {len(raw)} bytes, {len(gzip.compress(raw, 9))} gzip-compressed")
        with PageServer(page) as server:
            url = f"http://127.0.0.1:{server.server_address[1]}/"
            for engine in arguments.engines.split(","):
                results = [one_run(engine, url, pasted) for _ in range(arguments.runs)]
                print(figures(f"{engine}, first prompt:", [first for first, _ in results]))
                print(figures(f"{engine}, {ENTRIES} pasted:", [whole for _, whole in results]))


if __name__ == "__main__":
    main()
