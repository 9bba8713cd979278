#!/usr/bin/env python3
"""A disk that fills up at any byte of a dialogue: for each transcript
given, and for every length short of its whole output, the program runs with
its standard output a file that cannot grow past that length. Each run must
keep the bytes written before the failure intact, report the failure on one
line and end with status 2.

    output_limit_test.py PROGRAM TRANSCRIPTS/NAME...
"""
import resource
import signal
import subprocess
import sys
import tempfile

PROGRAM, CASES = sys.argv[1], sys.argv[2:]
MESSAGE = b"fedtax: cannot write to standard output: File too large\n"
failures = []


def limit_output_to(size):
    def limit():
        # SIGXFSZ at its default action, which ends a program that writes
        # past the limit: the program must see to it that its write fails
        # (EFBIG) instead.
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


for case in CASES:
    with open(case + ".out", "rb") as expected_file:
        expected = expected_file.read()
    for size in range(len(expected)):
        with open(case + ".in", "rb") as typed, tempfile.TemporaryFile() as out:
            process = subprocess.run([PROGRAM], stdin=typed, stdout=out, stderr=subprocess.PIPE,
                                     preexec_fn=limit_output_to(size), timeout=30, check=False)
            out.seek(0)
            written = out.read()
        if process.returncode != 2 or process.stderr != MESSAGE or written != expected[:size]:
            failures.append(f"{case}, full after {size} bytes: status {process.returncode}, "
                            f"standard error {process.stderr!r}, wrote {written[-40:]!r}")

for failure in failures[:10]:
    print("FAILED:", failure)
if len(failures) > 10:
    print(f"... and {len(failures) - 10} more")
sys.exit(1 if failures else 0)
