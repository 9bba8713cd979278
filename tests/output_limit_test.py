#!/usr/bin/env python3
"""A disk that fills up at any byte of a dialogue: for each transcript
given, and for every length short of its whole output, the program runs with
its standard output a file that cannot grow past that length. Each run must
keep the bytes written before the failure intact, report the failure on one
line and end with status 2.

    output_limit_test.py PROGRAM TRANSCRIPTS/NAME...
"""
import os
import resource
import signal
import sys
import unittest

from harness import CANNOT_WRITE, check_transcript, run

FULL = CANNOT_WRITE + b"File too large\n"


def limit_output_to(size):
    def limit():
        # SIGXFSZ at its default action, which ends a program that writes
        # past the limit: the program must see to it that its write fails
        # (EFBIG) instead.
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


class OutputLimit(unittest.TestCase):
    def test_full_at_every_byte(self):
        for case in CASES:
            name = os.path.basename(case)
            # The limit is worth testing only where the whole dialogue is right.
            check_transcript(case, [], PROGRAM)
            with open(case + ".out", "rb") as out:
                expected = out.read()
            failures = []
            for size in range(len(expected)):
                with open(case + ".in", "rb") as typed:
                    status, written, errors = run([PROGRAM], typed, preexec=limit_output_to(size))
                if (status, errors, written) != (2, FULL, expected[:size]):
                    failures.append(f"full after {size} bytes: status {status}, standard error "
                                    f"{errors!r}, the last bytes written {written[-40:]!r}")
            self.assertEqual(failures[:5], [],
                             f"{name}: {len(failures)} of {len(expected)} lengths; each must give "
                             f"status 2, standard error {FULL!r} and the bytes expected up to "
                             "the limit")


if __name__ == "__main__":
    PROGRAM, CASES = sys.argv[1], sys.argv[2:]
    unittest.main(argv=[sys.argv[0], "-v"])
