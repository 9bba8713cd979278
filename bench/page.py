#!/usr/bin/python3
"""Prints what fedtax.html costs a person: the time from opening the page to
the first prompt, in a headless Chromium started afresh for each run (a
cold cache), the time a pasted session of 200 entries takes to run, from
the paste to the status line, and the file's size, raw and gzip-compressed
(as a web server may send it). Medians and ranges of several runs. A
benchmark, not a test: nothing here passes or fails on a figure.

    bench/page.py [PAGE] [RUNS]   (default build-wasi/fedtax.html and 5;
                                   build it first, with the WASI toolchain)

It needs Debian's chromium, chromium-driver and python3-selenium, for the
system's own Python.
"""
import gzip
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests"))
from browser_test import PASTE, chromium  # noqa: E402 (the tests' own browser and paste)

ENTRIES = 200
# Notes the moment, from the start of the navigation, when the first
# prompt's cue shows, and when the status line says the program has ended.
WATCH = """
new MutationObserver(() => {
    const rows = document.querySelector('.xterm-rows');
    if (window.firstPrompt === undefined && rows && rows.textContent.includes('>>')) {
        window.firstPrompt = performance.now();
    }
    const status = document.getElementById('status');
    if (window.ended === undefined && status && status.textContent.includes('ended')) {
        window.ended = performance.now();
    }
}).observe(document, {subtree: true, childList: true, characterData: true});
"""


def session():
    lines = []
    for entry in range(ENTRIES):
        lines += [f"{entry:09d}", f"{entry * 7919 % 400000}.{entry % 100:02d}",
                  "yes" if entry < ENTRIES - 1 else "no"]
    return "\n".join(lines) + "\nq"


def wait_for(driver, name):
    deadline = time.monotonic() + 60
    while (value := driver.execute_script(f"return window.{name}")) is None:
        if time.monotonic() > deadline:
            sys.exit(f"page.py: the page never set {name}")
        time.sleep(0.01)
    return value


def one_run(page, pasted):
    driver = chromium()
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH})
        driver.get("file://" + page)
        first_prompt = wait_for(driver, "firstPrompt")
        driver.execute_script("window.pasted = performance.now();" + PASTE, pasted)
        ended = wait_for(driver, "ended")
        status = driver.find_element("id", "status").text
        if status != "[fedtax ended with status 0]":
            sys.exit(f"page.py: the pasted session ended so: {status}")
        return first_prompt / 1000, (ended - driver.execute_script("return window.pasted")) / 1000
    finally:
        driver.quit()


def main(page=os.path.join(ROOT, "build-wasi", "fedtax.html"), runs="5"):
    page = os.path.abspath(page)
    with open(page, "rb") as file:
        raw = file.read()
    pasted = session()
    results = [one_run(page, pasted) for _ in range(int(runs))]
    print(f"page:                  {page}")
    print(f"size:                  {len(raw)} bytes, {len(gzip.compress(raw, 9))} gzip-compressed")
    for name, values in (("first prompt:", [first for first, _ in results]),
                         (f"{ENTRIES} pasted entries:", [whole for _, whole in results])):
        print(f"{name:22} {statistics.median(values):.3f} s median"
              f" ({min(values):.3f} to {max(values):.3f}, {len(values)} cold runs)")


if __name__ == "__main__":
    main(*sys.argv[1:])
