#!/usr/bin/env python3
"""Drives fedtax as a person does: at a pseudo-terminal that is its
controlling terminal, and through a pipe that stays open. Each answer is
typed only once its prompt is on the screen, so a prompt the program has not
flushed fails the run by timeout. The test holds the terminal open around
every run and compares its settings before and after.

    terminal_test.py PROGRAM
"""
import fcntl
import os
import select
import signal
import struct
import subprocess
import sys
import termios
import time

PROGRAM = sys.argv[1]
TIMEOUT = 10

NUMBER_PROMPT = b"Enter your Social Security number without spaces or dashes (ex. 123456789) "
INCOME_PROMPT = b"Enter your taxable income (ex. 44197.36)"
QUESTION = b"Would you like to process another entry? (yes/no): "
PAUSE = b"Press any key to continue..."


class Failure(Exception):
    pass


def wait_until(condition, what):
    deadline = time.monotonic() + TIMEOUT
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(what)
        time.sleep(0.01)


def take_terminal():
    """In the child: a session of its own, with the terminal as its
    controlling terminal, as a shell starts a program."""
    os.setsid()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


class Run:
    """The program on a pseudo-terminal (standard input, and standard output
    unless `output_to_pipe`), or on two pipes."""

    def __init__(self, terminal=True, output_to_pipe=False, typed_ahead=None):
        self.terminal = terminal
        self.seen = b""
        self.mark = 0
        if terminal:
            self.master, self.slave = os.openpty()
            self.settings = termios.tcgetattr(self.slave)
            if typed_ahead is not None:
                self.type_ahead(typed_ahead)
            out = subprocess.PIPE if output_to_pipe else self.slave
            self.process = subprocess.Popen([PROGRAM], stdin=self.slave, stdout=out,
                                            stderr=subprocess.PIPE, preexec_fn=take_terminal)
            self.keyboard = self.master
            self.screen = self.process.stdout.fileno() if output_to_pipe else self.master
        else:
            self.process = subprocess.Popen([PROGRAM], stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.keyboard = self.process.stdin.fileno()
            self.screen = self.process.stdout.fileno()

    def type_ahead(self, keys):
        """Types `keys` before the program starts, and makes the terminal one
        that is read without blocking: the first read that finds nothing
        more to read fails (EAGAIN)."""
        os.write(self.master, keys)
        wait_until(lambda: struct.unpack("i", fcntl.ioctl(self.slave, termios.FIONREAD, b"\0" * 4))[0]
                   == len(keys), "the keys typed ahead did not reach the terminal")
        os.set_blocking(self.slave, False)

    def read_screen(self, seconds):
        if not select.select([self.screen], [], [], max(seconds, 0))[0]:
            return False
        try:
            chunk = os.read(self.screen, 4096)
        except OSError:  # the terminal has no writer left
            chunk = b""
        self.seen += chunk
        return bool(chunk)

    def expect(self, text):
        """Waits until `text` is on the screen after what was expected last."""
        deadline = time.monotonic() + TIMEOUT
        while text not in self.seen[self.mark:]:
            if not self.read_screen(deadline - time.monotonic()):
                raise Failure(f"{text!r} did not appear; the screen ends {self.seen[-160:]!r}")
        self.mark = self.seen.index(text, self.mark) + len(text)

    def type(self, keys):
        os.write(self.keyboard, keys)

    def answer(self, prompt, keys):
        self.expect(prompt)
        self.type(keys)

    def dialogue(self, enter, entries):
        """Answers every prompt of `entries` (number, income) and then "no"."""
        for i, (number, income) in enumerate(entries):
            if i > 0:
                self.answer(QUESTION, b"yes" + enter)
            self.answer(NUMBER_PROMPT, number + enter)
            self.answer(INCOME_PROMPT, income + enter)
        self.answer(QUESTION, b"no" + enter)
        self.expect(PAUSE)

    def wait_for_key_mode(self):
        """Waits until the program has taken the terminal out of line mode,
        so that the settings checks below compare something it changed."""
        wait_until(lambda: not termios.tcgetattr(self.slave)[3] & termios.ICANON,
                   "the pause left the terminal in line mode")

    def finish(self):
        """Waits for the end; returns the exit status and everything written
        after the last text expected."""
        try:
            status = self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failure("still running after the key")
        while self.read_screen(0):
            pass
        errors = self.process.stderr.read()
        if errors:
            raise Failure(f"standard error was written: {errors!r}")
        return status, self.seen[self.mark:]

    def unread_input(self):
        """Bytes left on the terminal for the next program (the shell) to read."""
        settings = termios.tcgetattr(self.slave)
        peek = list(settings)
        peek[3] &= ~termios.ICANON
        peek[6] = list(peek[6])
        peek[6][termios.VMIN] = 0
        peek[6][termios.VTIME] = 0
        termios.tcsetattr(self.slave, termios.TCSANOW, peek)
        try:
            return os.read(self.slave, 4096)  # at once, with what there is
        finally:
            termios.tcsetattr(self.slave, termios.TCSANOW, settings)

    def check_terminal_as_found(self):
        if termios.tcgetattr(self.slave) != self.settings:
            raise Failure("the terminal's settings were not put back")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.terminal:
            os.close(self.master)
            os.close(self.slave)


def any_key_ends_the_pause(run, keys, entries=((b"123456789", b"24650"),)):
    run.dialogue(b"\r", entries)
    run.wait_for_key_mode()
    run.type(keys)
    status, after = run.finish()
    # The key is not echoed, and the line is ended for the shell's prompt.
    assert status == 0 and after == b"\r\n", f"status {status}, after the pause {after!r}"
    left = run.unread_input()
    assert left == b"", f"left for the shell: {left!r}"
    run.check_terminal_as_found()


def several_entries_then_one_key(run):
    run.answer(NUMBER_PROMPT, b"123-45-6789\r")
    any_key_ends_the_pause(run, b"q", [(b"123456789", b"44197.36"), (b"000000001", b"0")])


def signal_during_the_pause(run, number):
    run.dialogue(b"\r", [(b"123456789", b"24650")])
    run.wait_for_key_mode()
    run.process.send_signal(number)
    status = run.process.wait(TIMEOUT)
    assert status == -number, f"status {status}"
    run.check_terminal_as_found()


def read_failing_during_the_pause(run):
    status = run.process.wait(TIMEOUT)
    errors = run.process.stderr.read()
    assert status == 2, f"status {status}"
    assert errors == b"fedtax: cannot read standard input: Resource temporarily unavailable\n", \
        f"standard error {errors!r}"
    run.check_terminal_as_found()


def output_to_a_file_at_a_terminal(run):
    # The line end is for the terminal's screen; a file gets the same bytes
    # as from a pipe.
    run.dialogue(b"\r", [(b"123456789", b"24650")])
    run.wait_for_key_mode()
    run.type(b" ")
    status, after = run.finish()
    assert status == 0 and after == b"", f"status {status}, after the pause {after!r}"
    run.check_terminal_as_found()


def pipe_that_stays_open(run):
    run.dialogue(b"\n", [(b"123456789", b"24650")])
    time.sleep(0.3)
    assert run.process.poll() is None, "ended before a character came for the pause"
    run.type(b"k")
    status, after = run.finish()
    assert status == 0 and after == b"", f"status {status}, after the pause {after!r}"


KEYS = [("x", b"x"), ("Enter", b"\r"), ("space", b" "), ("Escape", b"\x1b"), ("Ctrl-C", b"\x03"),
        ("Ctrl-D", b"\x04"), ("Ctrl-Z", b"\x1a"), ("up arrow", b"\x1b[A"), ("F5", b"\x1b[15~"),
        ("e acute", "\u00e9".encode())]
CASES = [
    ("several entries, then one key", {}, several_entries_then_one_key),
    *[(f"the key {name}", {}, lambda run, k=keys: any_key_ends_the_pause(run, k))
      for name, keys in KEYS],
    *[(f"{signal.Signals(n).name} during the pause", {},
       lambda run, n=n: signal_during_the_pause(run, n))
      for n in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT)],
    ("a read failing during the pause", {"typed_ahead": b"123456789\r24650\rno\r"},
     read_failing_during_the_pause),
    ("standard output a file, at a terminal", {"output_to_pipe": True},
     output_to_a_file_at_a_terminal),
    ("a pipe that stays open", {"terminal": False}, pipe_that_stays_open),
]

failed = 0
for name, kind, case in CASES:
    run = Run(**kind)
    try:
        case(run)
        print(f"ok: {name}")
    except (Failure, AssertionError) as problem:
        failed += 1
        print(f"FAILED: {name}: {problem}")
    finally:
        run.close()
sys.exit(1 if failed else 0)
