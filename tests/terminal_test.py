#!/usr/bin/env python3
"""Drives fedtax as a person does: at a pseudo-terminal that is its
controlling terminal, and through a pipe that stays open. Each answer is
typed only once its prompt is on the screen, so a prompt the program has not
flushed fails the run by timeout. The test holds the terminal open around
every run and compares its settings before and after.

    terminal_test.py PROGRAM [TEST...]
    terminal_test.py --windows PROGRAM.exe LAUNCHER... [-- TEST...]

TEST selects test classes or methods as unittest does (Terminal, Paste,
Pipe, Terminal.test_key_escape). With --windows it runs the cases of a
Windows console instead, under LAUNCHER (Wine, which gives a program on a
terminal a Windows console there). With `--job PROGRAM` it is a job-control
shell for one command (see run_as_job), which the stop cases need.
"""
import fcntl
import os
import re
import resource
import select
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


def run_as_job(program):
    """Runs `program` as a job-control shell runs a command, and exits with
    its status: in a process group of its own that is the terminal's
    foreground one, with this process, the session's leader, as its parent.
    A stop signal then stops the program, as it does a shell's command; in a
    session of its own (an orphaned process group) the system drops it.
    SIGUSR1 makes this process take the terminal back, as a shell does when
    its job stops, and SIGUSR2 gives it to the job again, as `fg` does."""
    # Both sides set the terminal's foreground, as a shell does.
    signal.signal(signal.SIGTTOU, signal.SIG_IGN)
    pid = os.fork()
    if pid == 0:
        os.setpgid(0, 0)
        os.tcsetpgrp(0, os.getpid())
        # The dispositions a shell gives its commands, not Python's.
        for number in (signal.SIGTTOU, signal.SIGPIPE, signal.SIGXFSZ):
            signal.signal(number, signal.SIG_DFL)
        os.execv(program, [program])
    signal.signal(signal.SIGUSR1, lambda *_: os.tcsetpgrp(0, os.getpgrp()))
    signal.signal(signal.SIGUSR2, lambda *_: os.tcsetpgrp(0, pid))
    sys.exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))


def settings_changed(before, after):
    """The terminal settings that differ, each with its value before and
    after: the flags in hex, and the control characters that differ."""
    names = ["iflag", "oflag", "cflag", "lflag", "ispeed", "ospeed"]
    changed = [f"{name} {old:#x}, now {new:#x}" for name, old, new in zip(names, before, after)
               if old != new]
    # Out of line mode, VMIN and VTIME read as numbers, not as bytes.
    def character(value):
        return bytes([value]) if isinstance(value, int) else value
    return changed + [f"control character {i} {character(old)!r}, now {character(new)!r}"
                      for i, (old, new) in enumerate(zip(before[6], after[6]))
                      if character(old) != character(new)]


def is_stopped(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        return stat.read().rpartition(")")[2].split()[0] == "T"


class Run:
    """The program on a pseudo-terminal (standard input, and standard output
    unless `output_to_pipe`), or on two pipes. `ignored` signals are ignored
    when it starts, as a shell's `trap '' HUP` ignores SIGHUP; `job` runs it
    under run_as_job; the terminal is not its controlling one unless
    `controlling`; it is out of line mode (`stty -icanon`) unless
    `canonical`; standard input and output are `nonblocking` if asked, as a
    previous program may leave them. Under a launcher it runs at the Windows
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
            if nonblocking:
                os.set_blocking(0, False)
                os.set_blocking(1, False)
            # A signal that dumps core must not leave a core file behind.
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        command, env = [PROGRAM], None
        if LAUNCHER:
            name = os.path.basename(PROGRAM)
            command, env = command_line(LAUNCHER, name)
            if twice:
                command[-1:] = ["cmd", "/c", f"{name} & {name}"]
        elif job:
            command = [sys.executable, __file__, "--job", PROGRAM]
        if terminal:
            self.master, self.slave = os.openpty()
            if not canonical:
                settings = termios.tcgetattr(self.slave)
                settings[3] &= ~termios.ICANON
                termios.tcsetattr(self.slave, termios.TCSANOW, settings)
            self.settings = termios.tcgetattr(self.slave)
            out = subprocess.PIPE if output_to_pipe else self.slave
            self.process = subprocess.Popen(command, stdin=self.slave, stdout=out,
                                            stderr=subprocess.PIPE, preexec_fn=start, env=env,
                                            cwd=os.path.dirname(PROGRAM))
            self.keyboard = self.master
            self.screen = self.process.stdout.fileno() if output_to_pipe else self.master
        else:
            self.process = subprocess.Popen(command, stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                            preexec_fn=start)
            self.keyboard = self.process.stdin.fileno()
            self.screen = self.process.stdout.fileno()
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
        finally:
            termios.tcsetattr(self.slave, termios.TCSANOW, settings)

    def hang_up(self):
        """Closes the terminal's other side, as closing a terminal window does."""
        os.close(self.master)
        self.master = None

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            if stream is not None:
                stream.close()
        if self.terminal:
            for descriptor in (self.master, self.slave):
                if descriptor is not None:
                    os.close(descriptor)
            self.master = self.slave = None


class Case(unittest.TestCase):
    def start(self, **kind):
        run = Run(**kind)
        self.addCleanup(run.close)
        return run

    def ends_with(self, run, status, after, errors=b""):
        """The program ends with `status`, writing `after` after the last
        text expected, and `errors` on standard error."""
        self.assertEqual(run.finish(), (status, after, errors),
                         "(exit status, written after the last text expected, standard error)")

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

    def any_key_ends_the_pause(self, pieces, gap=0.0, **kind):
        run = self.start(**kind)
        run.at_the_pause()
        self.key_ends_the_pause(run, pieces, gap)


class Terminal(Case):
    """The pause at a pseudo-terminal."""

    def test_several_entries_then_one_key(self):
        run = self.start()
        run.answer(NUMBER_PROMPT, b"123-45-6789\r")
        run.dialogue(b"\r", [(b"123456789", b"44197.36"), (b"000000001", b"0")])
        run.wait_for_key_mode()
        self.key_ends_the_pause(run, [b"q"])

    def signal_ends_the_pause(self, number):
        run = self.start()
        run.at_the_pause()
        run.process.send_signal(number)
        self.assertEqual(run.wait(), -number, "exit status, minus the signal that ended it")
        self.terminal_as_found(run)

    def ignored_signal_leaves_the_pause_waiting(self, number, **kind):
        """A signal ignored at the start (by the program's parent, or by the
        program itself) stays ignored at the pause, which waits on."""
        run = self.start(**kind)
        run.at_the_pause()
        os.kill(run.pid, number)
        time.sleep(0.2)
        self.assertIsNone(run.process.poll(), "exit status after an ignored signal")
        self.assertFalse(is_stopped(run.pid), "stopped by an ignored signal")
        self.key_ends_the_pause(run)

    def test_sighup_ignored_from_the_start(self):
        self.ignored_signal_leaves_the_pause_waiting(signal.SIGHUP, ignored=[signal.SIGHUP])

    def test_sigtstp_ignored_from_the_start_in_a_job(self):
        # Numbered above SIGCONT, which the pause catches whatever its action.
        self.ignored_signal_leaves_the_pause_waiting(signal.SIGTSTP, ignored=[signal.SIGTSTP],
                                                     job=True)

    def test_sigxfsz_which_the_program_ignores(self):
        self.ignored_signal_leaves_the_pause_waiting(signal.SIGXFSZ)

    def stop_and_continue(self, stop, times=1, shell_puts_back=False, **kind):
        """A stop and a continue from elsewhere during the pause, `times`
        times. Where the stop really stops the program (it runs as a job),
        the terminal must be as it was while the program is stopped; a
        shell may also put its own settings back after a SIGSTOP. Once
        continued, the program takes its key mode again, and one key
        without Enter ends the pause."""
        run = self.start(**kind)
        run.at_the_pause()
        for _ in range(times):
            os.kill(run.pid, stop)
            if stop == signal.SIGTSTP and not kind.get("job"):
                time.sleep(0.2)  # a stop that the system drops: the handler has run
            else:
                wait_until(lambda: is_stopped(run.pid), "the program did not stop")
                if stop != signal.SIGSTOP:
                    self.terminal_as_found(run)
                if shell_puts_back:
                    termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
                os.kill(run.pid, signal.SIGCONT)
            run.wait_for_key_mode()
        self.key_ends_the_pause(run)

    def test_sigtstp_and_sigcont_twice_in_a_job(self):
        self.stop_and_continue(signal.SIGTSTP, times=2, job=True)

    def test_sigtstp_in_an_orphaned_process_group(self):
        self.stop_and_continue(signal.SIGTSTP)

    def test_sigstop_and_sigcont_sigcont_ignored_from_the_start(self):
        self.stop_and_continue(signal.SIGSTOP, shell_puts_back=True, ignored=[signal.SIGCONT])

    def test_sigtstp_then_bg_and_fg(self):
        """Stopped, then `bg`: the terminal is the shell's, in the shell's own
        settings, and the program must leave them alone. Reading in the
        background stops it again (SIGTTIN); `fg` gives it the terminal back."""
        run = self.start(job=True)
        run.at_the_pause()
        os.kill(run.pid, signal.SIGTSTP)
        wait_until(lambda: is_stopped(run.pid), "the program did not stop")
        run.process.send_signal(signal.SIGUSR1)
        wait_until(lambda: os.tcgetpgrp(run.master) == run.process.pid, "the shell has no terminal")
        shell = termios.tcgetattr(run.slave)
        shell[3] &= ~(termios.ICANON | termios.ECHO)
        termios.tcsetattr(run.slave, termios.TCSANOW, shell)
        shell = termios.tcgetattr(run.slave)  # VMIN and VTIME now read as numbers
        os.kill(run.pid, signal.SIGCONT)
        wait_until(lambda: is_stopped(run.pid), "the program did not stop when it read")
        self.assertEqual(termios.tcgetattr(run.slave), shell,
                         "the shell's settings after the program ran in the background")
        termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
        run.process.send_signal(signal.SIGUSR2)
        wait_until(lambda: os.tcgetpgrp(run.master) == run.pid, "the job has no terminal")
        os.kill(run.pid, signal.SIGCONT)
        run.wait_for_key_mode()
        self.key_ends_the_pause(run)

    def test_sigcont_between_the_bytes_of_an_arrow_key(self):
        run = self.start()
        run.at_the_pause()
        run.type(b"\x1b")
        time.sleep(0.03)
        os.kill(run.pid, signal.SIGCONT)
        time.sleep(0.03)
        self.key_ends_the_pause(run, [b"[A"])

    def test_sigcont_right_after_a_one_byte_key(self):
        """A handled signal while the pause waits to see whether more of a
        one-byte key comes: the pause still ends with that key."""
        run = self.start()
        run.at_the_pause()
        run.type(b"k")
        time.sleep(0.03)
        os.kill(run.pid, signal.SIGCONT)
        self.key_ends_the_pause(run, pieces=())

    def test_no_then_the_end_of_input(self):
        # "no" without Enter, then the end of input: the pause returns at once.
        run = self.start()
        run.dialogue(b"\r", last_answer=b"no\x04\x04")
        self.key_ends_the_pause(run, pieces=())

    def test_a_terminal_that_is_not_the_controlling_one(self):
        self.any_key_ends_the_pause([b"x"], controlling=False)

    def test_no_enter_and_a_key_in_one_burst_out_of_line_mode(self):
        """Out of line mode the terminal gives the program what is typed as it
        comes: "no", Enter and a key in one burst, and that key ends the pause."""
        run = self.start(canonical=False)
        run.dialogue(b"\r", last_answer=b"no\rx")
        self.key_ends_the_pause(run, pieces=())

    def test_a_terminal_left_non_blocking(self):
        self.any_key_ends_the_pause([b"k"], nonblocking=True)

    def hang_up_during_the_pause(self, key):
        """The terminal's other side closes during the pause, with SIGHUP
        ignored. While the pause waits for its key, its read fails: status 2
        and one line. Right after a key, the terminal's end ends the wait as
        the key does: status 0. Either way the program ends at once, and
        does not spin on the closed terminal."""
        run = self.start(ignored=[signal.SIGHUP])
        run.at_the_pause()
        run.type(key)
        time.sleep(0.03 if key else 0.2)  # the pause is reading by now
        run.hang_up()
        status = run.wait()
        expected = (0, b"") if key else (2, CANNOT_READ + b"Input/output error\n")
        self.assertEqual((status, run.process.stderr.read()), expected,
                         "(exit status, standard error)")

    def test_hanging_up_during_the_pause(self):
        self.hang_up_during_the_pause(b"")

    def test_hanging_up_right_after_a_key(self):
        self.hang_up_during_the_pause(b"k")

    def test_standard_output_a_file(self):
        # The line end is for the terminal's screen; a file gets the same
        # bytes as from a pipe.
        run = self.start(output_to_pipe=True)
        run.at_the_pause()
        run.type(b" ")
        self.ends_with(run, 0, b"")
        self.terminal_as_found(run)


# Keys whose bytes come at once: any of them ends the pause.
KEYS = {"x": b"x", "enter": b"\r", "space": b" ", "escape": b"\x1b", "ctrl_c": b"\x03",
        "ctrl_d": b"\x04", "ctrl_z": b"\x1a", "ctrl_s": b"\x13", "up_arrow": b"\x1b[A",
        "f5": b"\x1b[15~", "e_acute": "\u00e9".encode()}
# Keys whose bytes come in pieces, the gap between them in seconds.
PIECES = {"f5_over_a_slow_line": ([b"\x1b", b"[", b"1", b"5", b"~"], 0.03),
          "e_acute_over_a_slow_line": ([b"\xc3", b"\xa9"], 0.03)}
# Signals whose default action ends the program: each puts the terminal
# back first, a fault's as much as one from elsewhere.
SIGNALS = [signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGUSR1, signal.SIGALRM,
           signal.SIGPIPE, signal.SIGRTMIN, signal.SIGRTMAX, signal.SIGABRT, signal.SIGSEGV]
for _name, _keys in KEYS.items():
    setattr(Terminal, f"test_key_{_name}",
            lambda self, keys=_keys: self.any_key_ends_the_pause([keys]))
for _name, (_pieces, _gap) in PIECES.items():
    setattr(Terminal, f"test_key_{_name}",
            lambda self, pieces=_pieces, gap=_gap: self.any_key_ends_the_pause(pieces, gap))
for _number in SIGNALS:
    setattr(Terminal, f"test_{_number.name.lower()}_during_the_pause",
            lambda self, number=_number: self.signal_ends_the_pause(number))


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


class Pipe(Case):
    """The pause through a pipe that stays open."""

    def pipe_that_stays_open(self, **kind):
        run = self.start(terminal=False, **kind)
        run.dialogue(b"\n")
        time.sleep(0.3)
        self.assertIsNone(run.process.poll(), "exit status before a character came")
        run.type(b"k")
        self.ends_with(run, 0, b"")

    def test_a_pipe_that_stays_open(self):
        self.pipe_that_stays_open()

    def test_a_non_blocking_pipe_that_stays_open(self):
        self.pipe_that_stays_open(nonblocking=True)

    def test_the_answers_and_the_key_in_one_write(self):
        """Every answer and the key in one write: the key was read with the
        answers, and ends the pause at once."""
        run = self.start(terminal=False)
        run.type(b"123456789\n24650\nno\nk")
        run.expect(PAUSE)
        self.ends_with(run, 0, b"")


class WindowsConsole(Case):
    """A Windows console, under Wine: its own pause, and nothing of POSIX."""

    def test_one_key_at_the_console(self):
        self.any_key_ends_the_pause([b"k"])

    def test_an_arrow_key_and_a_line_right_after_it(self):
        """An arrow key at the pause, and a line typed right after it: none of it
        reaches the next program that reads the console (cmd.exe, and here the
        program's second run)."""
        run = self.start(twice=True)
        run.dialogue(b"\r")
        run.type(b"\x1b[Aecho LEAKED\r")
        run.dialogue(b"\r", [(b"000000001", b"0")])
        self.key_ends_the_pause(run)
        self.assertNotIn(b"LEAKED", VISIBLE(run.seen), "what the next program read")


if __name__ == "__main__":
    if sys.argv[1] == "--job":
        run_as_job(sys.argv[2])
    if sys.argv[1] == "--windows":
        words, tests = sys.argv[2:], ["WindowsConsole"]
        if "--" in words:
            words, tests = words[:words.index("--")], words[words.index("--") + 1:]
        PROGRAM, LAUNCHER = words[0], words[1:]
        try:
            command_line(LAUNCHER, PROGRAM)
        except Missing as missing:
            print(f"skipped: needs {missing}")
            sys.exit(SKIPPED)
    else:
        PROGRAM, LAUNCHER, tests = sys.argv[1], [], sys.argv[2:] or ["Terminal", "Paste", "Pipe"]
    PROGRAM = os.path.abspath(PROGRAM)
    # What the screen shows, and a line end on it: the terminal makes LF into
    # CR LF, also when the program writes CR LF itself, as on Windows.
    VISIBLE = screen_text if LAUNCHER else lambda output: output
    LINE_END = b"\r\r\n" if LAUNCHER else b"\r\n"
    unittest.main(argv=[sys.argv[0], "-v"] + tests)
