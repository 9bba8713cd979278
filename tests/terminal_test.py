#!/usr/bin/env python3
"""Drives fedtax as a person does: at a pseudo-terminal that is its
controlling terminal, and through a pipe that stays open. Each answer is
typed only once its prompt is on the screen, so a prompt the program has not
flushed fails the run by timeout. The test holds the terminal open around
every run and compares its settings before and after.

    terminal_test.py PROGRAM [LAUNCHER...] [-- TEST...]

TEST selects test classes or methods as unittest does (Terminal, Paste,
Pipe, Terminal.test_key_escape). With a LAUNCHER (Wine, which gives a
program on a terminal a Windows console there) it runs the cases of a
Windows console, WindowsConsole. With `--job PROGRAM` it is a job-control
shell for one command (see run_as_job), which the stop cases need.
"""
import fcntl
import os
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import termios
import time
import unittest

from harness import (CANNOT_READ, INCOME_PROMPT, NUMBER_PROMPT, PAUSE, QUESTION, SKIPPED, Failure,
                     Missing, command_line)

TIMEOUT = 10
# The pause ends once the terminal has been quiet this long after a key.
QUIET_TIME = 0.1


def wait_until(condition, what):
    deadline = time.monotonic() + TIMEOUT
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(what)
        time.sleep(0.01)


def screen_text(output):
    """What a Wine console draws on a terminal, as text: it moves over
    blanks (ESC [ n C) and shows and hides the cursor around each
    character; the other control sequences draw nothing."""
    output = re.sub(rb"\x1b\[(\d*)C", lambda move: b" " * int(move.group(1) or 1), output)
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", output)


# The command line, PROGRAM [LAUNCHER...] [-- TEST...].
WORDS = sys.argv[1:sys.argv.index("--") if "--" in sys.argv else len(sys.argv)]
TESTS = sys.argv[len(WORDS) + 2:]
PROGRAM, LAUNCHER = os.path.abspath(WORDS[0]), WORDS[1:]
# What the screen shows, and a line end on it: the terminal makes LF into
# CR LF, also when the program writes CR LF itself, as on Windows.
VISIBLE = screen_text if LAUNCHER else (lambda output: output)
LINE_END = b"\r\r\n" if LAUNCHER else b"\r\n"


def run_as_job(program):
    """Runs `program` as a job-control shell runs a command, and exits with
    its status: in a process group of its own that is the terminal's
    foreground one, with this process, the session's leader, as its parent.
    A stop signal then stops the program, as it does a shell's command; in a
    session of its own (an orphaned process group) the system drops it.
    SIGUSR1 makes this process take the terminal back, as a shell does when
    its job stops, and SIGUSR2 gives it to the job again, as `fg` does."""
    # Both sides set the terminal's foreground, as a shell does; the job
    # gets SIGTTOU's action as this process found it.
    sigttou_found = signal.signal(signal.SIGTTOU, signal.SIG_IGN)
    pid = os.fork()
    if pid == 0:
        os.setpgid(0, 0)
        os.tcsetpgrp(0, os.getpid())
        # The dispositions a shell gives its commands, not Python's.
        for number in (signal.SIGPIPE, signal.SIGXFSZ):
            signal.signal(number, signal.SIG_DFL)
        signal.signal(signal.SIGTTOU, sigttou_found)
        os.execv(program, [program])
    signal.signal(signal.SIGUSR1, lambda *_: os.tcsetpgrp(0, os.getpgrp()))
    signal.signal(signal.SIGUSR2, lambda *_: os.tcsetpgrp(0, pid))
    sys.exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))


def settings_changed(before, after):
    """The terminal settings that differ, each with its value before and
    after. (Out of line mode, VMIN and VTIME read as numbers.)"""
    def fields(settings):
        return settings[:6] + [[bytes([c]) if isinstance(c, int) else c for c in settings[6]]]
    names = ["iflag", "oflag", "cflag", "lflag", "ispeed", "ospeed", "control characters"]
    return [f"{name} {old}, now {new}" for name, old, new in zip(names, fields(before),
                                                                 fields(after)) if old != new]


def is_stopped(pid):
    """Whether a process is stopped, as ps says, or without ps, Linux's /proc."""
    if shutil.which("ps"):
        return subprocess.run(["ps", "-o", "stat=", "-p", str(pid)], capture_output=True,
                              text=True, check=False).stdout.strip().startswith("T")
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        return stat.read().rpartition(")")[2].split()[0] == "T"


class Run:
    """The program on a pseudo-terminal (standard input, and standard output
    unless `output_to_pipe`), or on two pipes. `ignored` signals are ignored
    when it starts, as a shell's `trap '' HUP` ignores SIGHUP; `job` runs it
    under run_as_job; the terminal is not its controlling one unless
    `controlling`; it is out of line mode (`stty -icanon`) unless
    `canonical`; the descriptors it is given, which this process keeps
    too, are `nonblocking` if asked, as a previous program may leave them or
    an event loop hand them over. Under a launcher it runs at the Windows
    console, twice over in one console if `twice` (the second run as the
    next program to read it)."""

    def __init__(self, terminal=True, output_to_pipe=False, ignored=(), job=False,
                 controlling=True, canonical=True, nonblocking=False, twice=False):
        self.terminal = terminal
        self.seen = b""
        self.mark = 0

        def start():
            if terminal:
                os.setsid()
                if controlling:
                    fcntl.ioctl(0, termios.TIOCSCTTY, 0)
            for number in ignored:
                signal.signal(number, signal.SIG_IGN)
            # A signal that dumps core must not leave a core file behind.
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        command = [PROGRAM]
        if LAUNCHER:
            name = os.path.basename(PROGRAM)
            command = LAUNCHER + (["cmd", "/c", f"{name} & {name}"] if twice else [name])
        elif job:
            command = [sys.executable, __file__, "--job", PROGRAM]
        if terminal:
            self.master, self.slave = os.openpty()
            if not canonical:
                settings = termios.tcgetattr(self.slave)
                settings[3] &= ~termios.ICANON
                termios.tcsetattr(self.slave, termios.TCSANOW, settings)
            self.settings = termios.tcgetattr(self.slave)
            self.given = [self.slave]
            stdin, stdout = self.slave, subprocess.PIPE if output_to_pipe else self.slave
        else:
            (stdin, self.keyboard), (self.screen, stdout) = os.pipe(), os.pipe()
            self.given = [stdin, stdout]
        self.blocking = not nonblocking
        for descriptor in self.given:
            os.set_blocking(descriptor, self.blocking)
        self.process = subprocess.Popen(command, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                                        preexec_fn=start, cwd=os.path.dirname(PROGRAM))
        if terminal:
            self.keyboard = self.master
            self.screen = self.process.stdout.fileno() if output_to_pipe else self.master
        self.pid = self.process.pid
        if job:
            wait_until(lambda: os.tcgetpgrp(self.master) != self.process.pid,
                       "the job did not take the terminal")
            self.pid = os.tcgetpgrp(self.master)

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
        while text not in VISIBLE(self.seen)[self.mark:]:
            if not self.read_screen(deadline - time.monotonic()):
                raise Failure(f"{text!r} did not appear; the screen ends {self.seen[-160:]!r}")
        self.mark = VISIBLE(self.seen).index(text, self.mark) + len(text)

    def type(self, keys):
        os.write(self.keyboard, keys)

    def type_in_pieces(self, pieces, gap):
        """Types each piece `gap` seconds after the one before, as a slow line
        or a terminal's paste delivers them, without ever waiting for the
        program longer than TIMEOUT. Returns the longest time the keyboard
        was idle between two pieces while the terminal had room for more:
        beyond QUIET_TIME, the pause may rightly have ended there."""
        os.set_blocking(self.keyboard, False)
        longest_idle, last_write = 0.0, None
        try:
            for piece in pieces:
                while piece:
                    ready = time.monotonic()
                    if not select.select([], [self.keyboard], [], TIMEOUT)[1]:
                        raise Failure("the terminal took no more of what was typed")
                    if last_write is not None:
                        longest_idle = max(longest_idle, ready - last_write)
                    piece = piece[os.write(self.keyboard, piece):]
                    last_write = time.monotonic()
                time.sleep(gap)
        finally:
            os.set_blocking(self.keyboard, True)
        return longest_idle

    def answer(self, prompt, keys):
        self.expect(prompt)
        if LAUNCHER:
            # Until Wine's console has the terminal, the terminal itself
            # would take the keys as a line (and make Enter a line feed).
            self.wait_for_key_mode()
        self.type(keys)

    def dialogue(self, enter, entries=((b"123456789", b"24650"),), last_answer=None):
        """Answers every prompt of `entries` (number, income), then "no"."""
        for i, (number, income) in enumerate(entries):
            if i > 0:
                self.answer(QUESTION, b"yes" + enter)
            self.answer(NUMBER_PROMPT, number + enter)
            self.answer(INCOME_PROMPT, income + enter)
        self.answer(QUESTION, last_answer or b"no" + enter)
        self.expect(PAUSE)

    def at_the_pause(self):
        self.dialogue(b"\r")
        self.wait_for_key_mode()

    def wait_for_key_mode(self):
        """Waits until the program has taken the terminal out of line mode,
        so that the settings checks compare something it changed."""
        wait_until(lambda: not termios.tcgetattr(self.slave)[3] & termios.ICANON,
                   "the terminal stayed in line mode")

    def wait(self):
        """Waits for the end; returns the exit status."""
        try:
            return self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("the program was still running") from None

    def finish(self):
        """Waits for the end; returns the exit status, everything written
        after the last text expected, and standard error."""
        status = self.wait()
        while self.read_screen(0):
            pass
        return status, VISIBLE(self.seen)[self.mark:], self.process.stderr.read()

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
        except BlockingIOError:  # a non-blocking terminal with nothing to read
            return b""
        finally:
            termios.tcsetattr(self.slave, termios.TCSANOW, settings)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdout, self.process.stderr):
            if stream is not None:
                stream.close()
        if self.terminal:
            for descriptor in (self.master, self.slave):
                if descriptor is not None:
                    os.close(descriptor)
            self.master = self.slave = None
        elif self.given:
            for descriptor in self.given + [self.keyboard, self.screen]:
                os.close(descriptor)
            self.given = []


class Case(unittest.TestCase):
    def start(self, **kind):
        run = Run(**kind)
        self.addCleanup(run.close)
        return run

    def ends_with(self, run, status, after, errors=b""):
        """The program ends with `status`, writing `after` after the last
        text expected, and `errors` on standard error, and leaves the
        descriptors it was given blocking or not, as it found them."""
        self.assertEqual(run.finish(), (status, after, errors),
                         "(exit status, written after the last text expected, standard error)")
        self.assertEqual([os.get_blocking(descriptor) for descriptor in run.given],
                         [run.blocking] * len(run.given), "whether each descriptor given blocks")

    def terminal_as_found(self, run):
        self.assertEqual(settings_changed(run.settings, termios.tcgetattr(run.slave)), [],
                         "the terminal's settings that the run changed")

    def pause_ended(self, run):
        """The pause has ended without Enter: the key was not echoed, the
        line is ended for the shell's prompt, nothing is left for the shell,
        and the terminal is as it was."""
        self.ends_with(run, 0, LINE_END)
        left = run.unread_input()
        self.assertEqual((len(left), left[:80]), (0, b""), "(bytes left for the shell, the first)")
        self.terminal_as_found(run)

    def key_ends_the_pause(self, run, pieces=(b"k",), gap=0.0):
        """A key (its bytes in `pieces`, `gap` seconds apart; none where the
        input has ended) ends the pause."""
        run.type_in_pieces(pieces, gap)
        self.pause_ended(run)


# What happens at the pause in each case of the terminal below: a function
# of the test case and the run.

def key(*pieces, gap=0.0):
    return lambda case, run: case.key_ends_the_pause(run, pieces, gap)


def ends_by(number):
    """A signal whose default action ends the program: it ends it, and the
    terminal is as it was."""
    def steps(case, run):
        run.process.send_signal(number)
        case.assertEqual(run.wait(), -number, "exit status, minus the signal that ended it")
        case.terminal_as_found(run)
    return steps


def ignored(number):
    """A signal ignored at the start (by the program's parent, or by the
    program itself) stays ignored, and the pause waits on."""
    def steps(case, run):
        os.kill(run.pid, number)
        time.sleep(0.2)
        case.assertIsNone(run.process.poll(), "exit status after an ignored signal")
        case.assertFalse(is_stopped(run.pid), "stopped by an ignored signal")
        case.key_ends_the_pause(run)
    return steps


def stop_and_continue(stop, times=1, really_stops=True, shell_puts_back=False):
    """A stop and a continue from elsewhere, `times` times. Where the stop
    really stops the program (a job's), the terminal is as it was while it
    is stopped; a shell may also put its own settings back after a SIGSTOP.
    Once continued, the program takes its key mode again."""
    def steps(case, run):
        for _ in range(times):
            os.kill(run.pid, stop)
            if not really_stops:
                time.sleep(0.2)  # the system drops the stop; the handler has run
            else:
                wait_until(lambda: is_stopped(run.pid), "the program did not stop")
                if stop != signal.SIGSTOP:
                    case.terminal_as_found(run)
                if shell_puts_back:
                    termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
                os.kill(run.pid, signal.SIGCONT)
            run.wait_for_key_mode()
        case.key_ends_the_pause(run)
    return steps


def bg_and_fg(case, run):
    """Stopped, then `bg`: the terminal is the shell's, in the shell's own
    settings, and the program must leave them alone. Reading in the
    background stops it again (SIGTTIN); `fg` gives it the terminal back."""
    os.kill(run.pid, signal.SIGTSTP)
    wait_until(lambda: is_stopped(run.pid), "the program did not stop")
    run.process.send_signal(signal.SIGUSR1)
    wait_until(lambda: os.tcgetpgrp(run.master) == run.process.pid, "the shell has no terminal")
    shell = termios.tcgetattr(run.slave)
    shell[3] &= ~(termios.ICANON | termios.ECHO)
    termios.tcsetattr(run.slave, termios.TCSANOW, shell)
    os.kill(run.pid, signal.SIGCONT)
    wait_until(lambda: is_stopped(run.pid), "the program did not stop when it read")
    case.assertEqual(settings_changed(shell, termios.tcgetattr(run.slave)), [],
                     "the shell's settings that the program changed in the background")
    termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
    run.process.send_signal(signal.SIGUSR2)
    wait_until(lambda: os.tcgetpgrp(run.master) == run.pid, "the job has no terminal")
    os.kill(run.pid, signal.SIGCONT)
    run.wait_for_key_mode()
    case.key_ends_the_pause(run)


def sigcont_after(first, rest):
    """SIGCONT while the pause waits for more of a key: it still ends with
    the key's bytes, `first` and then `rest`."""
    def steps(case, run):
        run.type(first)
        time.sleep(0.03)
        os.kill(run.pid, signal.SIGCONT)
        time.sleep(0.03)
        case.key_ends_the_pause(run, rest)
    return steps


def hang_up(key_first):
    """The terminal's other side closes, as closing a terminal window does,
    with SIGHUP ignored. While the pause waits for its key, its read fails:
    status 2 and one line. Right after a key, the terminal's end ends the
    wait as the key does. Either way the program ends at once."""
    def steps(case, run):
        run.type(key_first)
        time.sleep(0.03 if key_first else 0.2)  # the pause is reading by now
        os.close(run.master)
        run.master = None
        expected = (0, b"") if key_first else (2, CANNOT_READ + b"Input/output error\n")
        case.assertEqual((run.wait(), run.process.stderr.read()), expected,
                         "(exit status, standard error)")
    return steps


def unread(descriptor):
    """How many bytes a terminal holds for its next read."""
    return int.from_bytes(fcntl.ioctl(descriptor, termios.FIONREAD, bytes(4)), sys.byteorder)


def put_in_the_background_after_a_key(case, run):
    """A job that ignores SIGTTIN and SIGTTOU is put in the background as
    soon as the pause has its key: reading what comes after the key then
    fails (EIO) instead of stopping the job. The pause ends as the key ends
    it, at once, and drops what came after it. Where this machine is too
    slow to type that within the pause's quiet time, the pause ended before
    it came, which tests nothing: another try is made, up to five."""
    for _ in range(5):
        run.type(b"k")
        wait_until(lambda: unread(run.slave) == 0, "the pause did not read its key")
        run.process.send_signal(signal.SIGUSR1)
        wait_until(lambda: os.tcgetpgrp(run.master) == run.process.pid,
                   "the shell has no terminal")
        run.type(b"x")
        case.assertEqual((run.wait(), run.process.stderr.read()), (0, b""),
                         "(exit status, standard error)")
        if unread(run.slave) == 0:
            return
        run = case.start(**BACKGROUND)
        run.at_the_pause()
    case.fail("no try typed after the key within the pause's quiet time")


def to_a_file(case, run):
    # The line end is for the terminal's screen; a file gets the bytes that
    # a pipe gets.
    run.type(b" ")
    case.ends_with(run, 0, b"")
    case.terminal_as_found(run)


def last_answer(answer):
    """The dialogue's last answer typed as `answer`, which holds the key or
    the end of input that ends the pause."""
    def steps(case, run):
        run.dialogue(b"\r", last_answer=answer)
        case.key_ends_the_pause(run, pieces=())
    return steps


def several_entries(case, run):
    run.answer(NUMBER_PROMPT, b"123-45-6789\r")
    run.dialogue(b"\r", [(b"123456789", b"44197.36"), (b"000000001", b"0")])
    run.wait_for_key_mode()
    case.key_ends_the_pause(run, [b"q"])


# Keys whose bytes come at once: any of them ends the pause.
KEYS = {"x": b"x", "enter": b"\r", "space": b" ", "escape": b"\x1b", "ctrl_c": b"\x03",
        "ctrl_d": b"\x04", "ctrl_z": b"\x1a", "ctrl_s": b"\x13", "up_arrow": b"\x1b[A",
        "f5": b"\x1b[15~", "e_acute": "\u00e9".encode()}
# Signals whose default action ends the program: each puts the terminal
# back first, a fault's as much as one from elsewhere, and a real-time one's
# where the system has them.
SIGNALS = [signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGUSR1, signal.SIGALRM,
           signal.SIGPIPE, signal.SIGABRT, signal.SIGSEGV] + [
               getattr(signal, name) for name in ("SIGRTMIN", "SIGRTMAX") if hasattr(signal, name)]
SIGHUP_IGNORED = {"ignored": [signal.SIGHUP]}
BACKGROUND = {"ignored": [signal.SIGTTIN, signal.SIGTTOU], "job": True}
# The cases at a terminal (see add_cases).
TERMINAL = {
    "several_entries_then_one_key": ({}, False, several_entries),
    **{f"key_{name}": ({}, True, key(keys)) for name, keys in KEYS.items()},
    "key_f5_over_a_slow_line": ({}, True, key(b"\x1b", b"[", b"1", b"5", b"~", gap=0.03)),
    "key_e_acute_over_a_slow_line": ({}, True, key(b"\xc3", b"\xa9", gap=0.03)),
    **{f"{number.name.lower()}_during_the_pause": ({}, True, ends_by(number))
       for number in SIGNALS},
    "sighup_ignored_from_the_start": (SIGHUP_IGNORED, True, ignored(signal.SIGHUP)),
    # Numbered above SIGCONT, which the pause catches whatever its action.
    "sigtstp_ignored_from_the_start_in_a_job": ({"ignored": [signal.SIGTSTP], "job": True},
                                                True, ignored(signal.SIGTSTP)),
    "sigxfsz_which_the_program_ignores": ({}, True, ignored(signal.SIGXFSZ)),
    "sigtstp_and_sigcont_twice_in_a_job": ({"job": True}, True,
                                           stop_and_continue(signal.SIGTSTP, times=2)),
    "sigtstp_then_bg_and_fg": ({"job": True}, True, bg_and_fg),
    "sigtstp_in_an_orphaned_process_group": ({}, True, stop_and_continue(signal.SIGTSTP,
                                                                         really_stops=False)),
    "sigstop_and_sigcont_sigcont_ignored_from_the_start": (
        {"ignored": [signal.SIGCONT]}, True,
        stop_and_continue(signal.SIGSTOP, shell_puts_back=True)),
    "sigcont_between_the_bytes_of_an_arrow_key": ({}, True, sigcont_after(b"\x1b", [b"[A"])),
    "sigcont_right_after_a_one_byte_key": ({}, True, sigcont_after(b"k", [])),
    "no_then_the_end_of_input": ({}, False, last_answer(b"no\x04\x04")),
    # Out of line mode the terminal gives the program what is typed as it
    # comes: "no", Enter and a key in one burst.
    "no_enter_and_a_key_in_one_burst_out_of_line_mode": ({"canonical": False}, False,
                                                         last_answer(b"no\rx")),
    "a_terminal_that_is_not_the_controlling_one": ({"controlling": False}, True, key(b"x")),
    "a_terminal_left_non_blocking": ({"nonblocking": True}, True, key(b"k")),
    "hanging_up_during_the_pause": (SIGHUP_IGNORED, True, hang_up(b"")),
    "hanging_up_right_after_a_key": (SIGHUP_IGNORED, True, hang_up(b"k")),
    "put_in_the_background_after_a_key": (BACKGROUND, True, put_in_the_background_after_a_key),
    "standard_output_a_file": ({"output_to_pipe": True}, True, to_a_file),
}


def add_cases(test_class, cases):
    """A test of `test_class` for each of `cases`: the kind of run, whether
    the dialogue is taken to the pause first, and what happens then."""
    def test(kind, to_the_pause, steps):
        def run_case(self):
            run = self.start(**kind)
            if to_the_pause:
                run.at_the_pause()
            steps(self, run)
        return run_case
    for name, case in cases.items():
        setattr(test_class, f"test_{name}", test(*case))


class Terminal(Case):
    """The pause at a pseudo-terminal."""


add_cases(Terminal, TERMINAL)


class Paste(Case):
    """A paste at the pause, 17,000 bytes in 1 KiB pieces, leaves nothing for
    the shell. The pause takes what arrives until a tenth of a second passes
    without a byte; the pieces are 5 ms apart, but a loaded machine may keep
    this test from typing the next in time. Such a try tests nothing, and
    another is made, up to five."""

    def test_a_paste_in_pieces(self):
        paste = b"".join(b"echo LEAKED-%04d\n" % i for i in range(1000))
        pieces = [paste[i:i + 1024] for i in range(0, len(paste), 1024)]
        idle_times = []
        for _ in range(5):
            run = self.start()
            run.at_the_pause()
            idle = run.type_in_pieces(pieces, 0.005)
            if idle < QUIET_TIME / 2:
                self.pause_ended(run)
                return
            idle_times.append(idle)
            run.close()
        self.fail(f"no try typed its pieces less than {QUIET_TIME / 2} s apart: {idle_times}")


def stays_open(case, run):
    """Through a pipe that stays open, the pause waits for a character."""
    run.dialogue(b"\n")
    time.sleep(0.3)
    case.assertIsNone(run.process.poll(), "exit status before a character came")
    run.type(b"k")
    case.ends_with(run, 0, b"")


def in_one_write(case, run):
    """Every answer and the key in one write: the key was read with the
    answers, and ends the pause at once."""
    run.type(b"123456789\n24650\nno\nk")
    run.expect(PAUSE)
    case.ends_with(run, 0, b"")


class Pipe(Case):
    """The pause through a pipe."""


add_cases(Pipe, {
    "a_pipe_that_stays_open": ({"terminal": False}, False, stays_open),
    "a_non_blocking_pipe_that_stays_open": ({"terminal": False, "nonblocking": True}, False,
                                            stays_open),
    "the_answers_and_the_key_in_one_write": ({"terminal": False}, False, in_one_write),
})


def nothing_for_the_next(case, run):
    """An arrow key at the pause, and a line typed right after it: none of
    it reaches the next program that reads the console (cmd.exe, and here
    the program's second run)."""
    run.dialogue(b"\r")
    run.type(b"\x1b[Aecho LEAKED\r")
    run.dialogue(b"\r", [(b"000000001", b"0")])
    case.key_ends_the_pause(run)
    case.assertNotIn(b"LEAKED", VISIBLE(run.seen), "what the next program read")


class WindowsConsole(Case):
    """A Windows console, under Wine: its own pause, and nothing of POSIX."""


add_cases(WindowsConsole, {
    "one_key_at_the_console": ({}, True, key(b"k")),
    "an_arrow_key_and_a_line_right_after_it": ({"twice": True}, False, nothing_for_the_next),
})


if __name__ == "__main__":
    if sys.argv[1] == "--job":
        run_as_job(sys.argv[2])
    try:
        command_line(LAUNCHER, PROGRAM)
    except Missing as missing:
        print(f"skipped: needs {missing}")
        sys.exit(SKIPPED)
    default = ["WindowsConsole"] if LAUNCHER else ["Terminal", "Paste", "Pipe"]
    unittest.main(argv=[sys.argv[0], "-v"] + (TESTS or default))
