#!/usr/bin/env python3
"""Standard output that cannot be written and standard input that cannot be
read: each must end the program with status 2 and one line on standard
error, and never with the status of a dialogue that went well. A stream
that only makes the program wait (a non-blocking one) is no failure.

    failing_streams_test.py PROGRAM [TEST...]

TEST selects as unittest does: FailingStreams, or OutputLimit, a disk that
fills up at every byte of a dialogue.
"""
import fcntl
import os
import resource
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

import harness
from harness import CANNOT_READ, CANNOT_WRITE, CUE, NUMBER_PROMPT, PAUSE, QUESTION

# The command line, PROGRAM [TEST...].
PROGRAM, TESTS = sys.argv[1], sys.argv[2:]
# A device that every write fails on, as on a full disk, where the system
# has one (Linux and some BSDs).
FULL = "/dev/full"
ONE_ENTRY = b"123456789\n24650\nno\n"


def entries(count):
    """`count` entries, each answered "yes"."""
    return b"".join(b"%09d\n%d.25\nyes\n" % (i, i * 20) for i in range(count))


def run(stdin, stdout=subprocess.DEVNULL, preexec_fn=None):
    process = subprocess.run([PROGRAM], stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                             preexec_fn=preexec_fn, timeout=30, check=False)
    return process.returncode, process.stderr


def unread_bytes(connection):
    return struct.unpack("i", fcntl.ioctl(connection, termios.FIONREAD, b"\0" * 4))[0]


def with_input_reset_after(typed):
    """Runs the program on a loopback connection that the other side resets
    once the program has read all that was sent; returns its status,
    standard error and standard output."""
    with socket.create_server(("127.0.0.1", 0)) as server, \
            socket.create_connection(server.getsockname()) as sender:
        receiver = server.accept()[0]
        sender.sendall(typed)
        process = subprocess.Popen([PROGRAM], stdin=receiver, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        deadline = time.monotonic() + 30
        while unread_bytes(receiver) > 0 and time.monotonic() < deadline:
            time.sleep(0.01)
        # Closing with a zero linger time resets the connection.
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sender.close()
        receiver.close()
        output, errors = process.communicate(timeout=30)
    return process.returncode, errors, output


class FailingStreams(unittest.TestCase):
    def fails_with(self, result, line):
        self.assertEqual(result[:2], (2, line + b"\n"), "(exit status, standard error)")

    @unittest.skipUnless(os.path.exists(FULL), f"needs {FULL}, which this system has not")
    def test_standard_output_a_full_disk(self):
        # The very first line end fails, so the program must stop before it
        # reads anything. The input is shared with this test, so its offset
        # shows how much the program took.
        with tempfile.TemporaryFile() as typed, open(FULL, "wb") as full:
            typed.write(entries(20000))
            typed.seek(0)
            self.fails_with(run(typed, full), CANNOT_WRITE + b"No space left on device")
            self.assertEqual(typed.tell(), 0, "bytes of input read after the failed write")

    def test_standard_output_closed(self):
        with tempfile.TemporaryFile() as typed:
            typed.write(ONE_ENTRY)
            typed.seek(0)
            self.fails_with(run(typed, None, lambda: os.close(1)),
                            CANNOT_WRITE + b"Bad file descriptor")

    def test_standard_input_a_directory(self):
        directory = os.open("/", os.O_RDONLY)
        try:
            self.fails_with(run(directory), CANNOT_READ + b"Is a directory")
        finally:
            os.close(directory)

    def test_input_failing_after_part_of_a_line(self):
        # A line that a failed read cuts short is not taken for an answer.
        result = with_input_reset_after(b"123456789")
        self.fails_with(result, CANNOT_READ + b"Connection reset by peer")
        self.assertEqual(result[2], NUMBER_PROMPT + b"\n" + CUE, "standard output")

    def test_input_failing_at_the_pause(self):
        result = with_input_reset_after(ONE_ENTRY)
        self.fails_with(result, CANNOT_READ + b"Connection reset by peer")
        self.assertTrue(result[2].endswith(QUESTION + PAUSE), f"standard output {result[2]!r}")

    def test_standard_output_a_non_blocking_pipe_read_late(self):
        # A descriptor left non-blocking, as a previous program may leave it,
        # makes the program wait until it can write: a non-blocking pipe read
        # only a second later gets every byte, the same as a blocking one.
        def late_reader(nonblocking):
            with tempfile.TemporaryFile() as typed:
                typed.write(entries(2000) + b"999999999\n1\nno\n")
                typed.seek(0)
                process = subprocess.Popen(
                    [PROGRAM], stdin=typed, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                    preexec_fn=lambda: os.set_blocking(1, not nonblocking))
                time.sleep(1 if nonblocking else 0)
                output, errors = process.communicate(timeout=30)
            return process.returncode, errors, len(output), output
        blocking = late_reader(False)
        self.assertEqual(blocking[:2], (0, b""), "blocking: (exit status, standard error)")
        self.assertEqual(late_reader(True), blocking,
                         "non-blocking: (exit status, standard error, bytes, output)")


class OutputLimit(unittest.TestCase):
    """For each of two transcripts, and for every length short of its whole
    output, the program runs with its standard output a file that cannot
    grow past that length. Each run must keep the bytes written before the
    failure intact, report the failure on one line and end with status 2."""

    def test_full_at_every_byte(self):
        full = CANNOT_WRITE + b"File too large\n"
        for name in ["one_entry", "end_of_input_at_question"]:
            case = os.path.join(os.path.dirname(__file__), "transcripts", name)
            # The limit is worth testing only where the whole dialogue is right.
            harness.check_transcript(case, [], PROGRAM)
            expected = harness.read(case + ".out")
            failures = []
            for size in range(len(expected)):
                with open(case + ".in", "rb") as typed:
                    status, written, errors = harness.run([PROGRAM], typed,
                                                          preexec=limit_output_to(size))
                if (status, errors, written) != (2, full, expected[:size]):
                    failures.append(f"full after {size} bytes: status {status}, standard error "
                                    f"{errors!r}, the last bytes written {written[-40:]!r}")
            self.assertEqual(failures[:5], [],
                             f"{name}: {len(failures)} of {len(expected)} lengths; each must give "
                             f"status 2, standard error {full!r} and the bytes expected up to "
                             "the limit")


def limit_output_to(size):
    def limit():
        # SIGXFSZ at its default action, which ends a program that writes
        # past the limit: the program must see to it that its write fails
        # (EFBIG) instead.
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + TESTS)
