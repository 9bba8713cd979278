#!/usr/bin/env python3
"""Drives fedtax as a person does: at a pseudo-terminal that is its
controlling terminal, and through a pipe that stays open. Each answer is
typed only once its prompt is on the screen, so a prompt the program has not
flushed fails the run by timeout. The test holds the terminal open around
every run and compares its settings before and after.

    terminal_test.py PROGRAM
    terminal_test.py --windows PROGRAM.exe EMULATOR...

With --windows it runs the cases of a Windows console instead, each under
EMULATOR (Wine, which gives a program on a terminal a Windows console
there). With `--job PROGRAM` it is a job-control shell for one command (see
run_as_job), which the stop-and-continue case needs.
"""
import fcntl
import os
import re
import resource
import select
import signal
import struct
import subprocess
import sys
import termios
import time

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


def screen_text(output):
    """What a Wine console draws on a terminal, as text: it moves over
    blanks (ESC [ n C) and shows and hides the cursor around each
    character; the other control sequences draw nothing."""
    output = re.sub(rb"\x1b\[(\d*)C", lambda move: b" " * int(move.group(1) or 1), output)
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", output)


def take_terminal(controlling=True):
    """In the child: a session of its own, with the terminal as its
    controlling terminal, as a shell starts a program (or none)."""
    os.setsid()
    if controlling:
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)


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


def is_stopped(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
        return stat.read().rpartition(")")[2].split()[0] == "T"


class Run:
    """The program on a pseudo-terminal (standard input, and standard output
    unless `output_to_pipe`), or on two pipes. `ignored` signals are ignored
    when it starts, as nohup ignores SIGHUP; `job` runs it under run_as_job;
    the terminal is not its controlling one unless `controlling`; it is out
    of line mode (`stty -icanon`) unless `canonical`; standard input and
    output are `nonblocking` if asked, as a previous program may leave them.
    With --windows it runs under the emulator at its console, twice over in
    one console if `twice` (the second run as the next program to read it)."""

    def __init__(self, terminal=True, output_to_pipe=False, ignored=(), job=False,
                 controlling=True, canonical=True, nonblocking=False, twice=False):
        self.terminal = terminal
        self.seen = b""
        self.mark = 0

        def start():
            if terminal:
                take_terminal(controlling)
            for number in ignored:
                signal.signal(number, signal.SIG_IGN)
            if nonblocking:
                os.set_blocking(0, False)
                os.set_blocking(1, False)
            # A signal that dumps core must not leave a core file behind.
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        if terminal:
            self.master, self.slave = os.openpty()
            if not canonical:
                settings = termios.tcgetattr(self.slave)
                settings[3] &= ~termios.ICANON
                termios.tcsetattr(self.slave, termios.TCSANOW, settings)
            self.settings = termios.tcgetattr(self.slave)
            out = subprocess.PIPE if output_to_pipe else self.slave
            command = [sys.executable, __file__, "--job", PROGRAM] if job else [PROGRAM]
            name = os.path.basename(PROGRAM)
            if EMULATOR:
                command = EMULATOR + (["cmd", "/c", f"{name} & {name}"] if twice else [name])
            self.process = subprocess.Popen(command, stdin=self.slave, stdout=out,
                                            stderr=subprocess.PIPE, preexec_fn=start,
                                            cwd=os.path.dirname(PROGRAM))
            self.keyboard = self.master
            self.screen = self.process.stdout.fileno() if output_to_pipe else self.master
        else:
            self.process = subprocess.Popen([PROGRAM], stdin=subprocess.PIPE,
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
        program longer than TIMEOUT."""
        os.set_blocking(self.keyboard, False)
        try:
            for piece in pieces:
                while piece:
                    if not select.select([], [self.keyboard], [], TIMEOUT)[1]:
                        raise Failure("the terminal took no more of what was typed")
                    piece = piece[os.write(self.keyboard, piece):]
                time.sleep(gap)
        finally:
            os.set_blocking(self.keyboard, True)

    def answer(self, prompt, keys):
        self.expect(prompt)
        if EMULATOR:
            # Until Wine's console has the terminal, the terminal itself
            # would take the keys as a line (and make Enter a line feed).
            self.wait_for_key_mode()
        self.type(keys)

    def dialogue(self, enter, entries, last_answer=None):
        """Answers every prompt of `entries` (number, income) and then "no"."""
        for i, (number, income) in enumerate(entries):
            if i > 0:
                self.answer(QUESTION, b"yes" + enter)
            self.answer(NUMBER_PROMPT, number + enter)
            self.answer(INCOME_PROMPT, income + enter)
        self.answer(QUESTION, last_answer or b"no" + enter)
        self.expect(PAUSE)

    def wait_for_key_mode(self):
        """Waits until the program has taken the terminal out of line mode,
        so that the settings checks below compare something it changed."""
        wait_until(lambda: not termios.tcgetattr(self.slave)[3] & termios.ICANON,
                   "the terminal stayed in line mode")

    def wait(self):
        """Waits for the end; returns the exit status."""
        try:
            return self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure("still running") from None

    def finish(self):
        """Waits for the end; returns the exit status and everything written
        after the last text expected."""
        status = self.wait()
        while self.read_screen(0):
            pass
        errors = self.process.stderr.read()
        if errors:
            raise Failure(f"standard error was written: {errors!r}")
        return status, VISIBLE(self.seen)[self.mark:]

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

    def hang_up(self):
        """Closes the terminal's other side, as closing a terminal window does."""
        os.close(self.master)
        self.master = None

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.terminal:
            if self.master is not None:
                os.close(self.master)
            os.close(self.slave)


def at_the_pause(run, entries=((b"123456789", b"24650"),)):
    run.dialogue(b"\r", entries)
    run.wait_for_key_mode()


def key_ends_the_pause(run, pieces=(b"k",), gap=0.0):
    """A key (its bytes in `pieces`, `gap` seconds apart; none where the
    input has ended) ends the pause without Enter. It is not echoed, the
    line is ended for the shell's prompt, nothing is left for the shell, and
    the terminal is as it was."""
    run.type_in_pieces(pieces, gap)
    status, after = run.finish()
    assert status == 0 and after == LINE_END, \
        f"status {status}, after the pause {after[:80]!r}"
    left = run.unread_input()
    assert left == b"", f"left for the shell: {len(left)} bytes, {left[:80]!r}"
    run.check_terminal_as_found()


def any_key_ends_the_pause(run, pieces, entries=((b"123456789", b"24650"),), gap=0.0):
    at_the_pause(run, entries)
    key_ends_the_pause(run, pieces, gap)


def several_entries_then_one_key(run):
    run.answer(NUMBER_PROMPT, b"123-45-6789\r")
    any_key_ends_the_pause(run, [b"q"], [(b"123456789", b"44197.36"), (b"000000001", b"0")])


def signal_during_the_pause(run, number):
    at_the_pause(run)
    run.process.send_signal(number)
    status = run.wait()
    assert status == -number, f"status {status}"
    run.check_terminal_as_found()


def ignored_signal_during_the_pause(run, number):
    at_the_pause(run)
    run.process.send_signal(number)
    time.sleep(0.2)
    assert run.process.poll() is None, f"ended by a signal it was started ignoring: {run.process.returncode}"
    key_ends_the_pause(run)


def stop_and_continue_during_the_pause(run, stop, times=1, shell_puts_back=False):
    """A stop and a continue from elsewhere during the pause, `times` times.
    Where the stop really stops the program (`run` is a job), the terminal
    must be as it was while the program is stopped; a shell may also put its
    own settings back after a SIGSTOP (`shell_puts_back`). Once continued,
    the program takes its key mode again, and one key without Enter ends the
    pause."""
    at_the_pause(run)
    for _ in range(times):
        os.kill(run.pid, stop)
        if stop == signal.SIGTSTP and run.pid == run.process.pid:
            time.sleep(0.2)  # a stop that the system drops: the handler has run
        else:
            wait_until(lambda: is_stopped(run.pid), "the program did not stop")
            if stop != signal.SIGSTOP:
                run.check_terminal_as_found()
            if shell_puts_back:
                termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
            os.kill(run.pid, signal.SIGCONT)
        run.wait_for_key_mode()
    key_ends_the_pause(run)


def continued_in_the_background(run):
    """Stopped, then `bg`: the terminal is the shell's, in the shell's own
    settings, and the program must leave them alone. Reading in the
    background stops it again (SIGTTIN); `fg` gives it the terminal back."""
    at_the_pause(run)
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
    assert termios.tcgetattr(run.slave) == shell, "the program set the shell's terminal"
    termios.tcsetattr(run.slave, termios.TCSANOW, run.settings)
    run.process.send_signal(signal.SIGUSR2)
    wait_until(lambda: os.tcgetpgrp(run.master) == run.pid, "the job has no terminal")
    os.kill(run.pid, signal.SIGCONT)
    run.wait_for_key_mode()
    key_ends_the_pause(run)


def signal_between_the_bytes_of_a_key(run):
    at_the_pause(run)
    run.type(b"\x1b")
    time.sleep(0.03)
    os.kill(run.pid, signal.SIGCONT)
    time.sleep(0.03)
    key_ends_the_pause(run, [b"[A"])


def end_of_input_at_the_question(run):
    # "no" without Enter, then the end of input: the pause returns at once.
    run.dialogue(b"\r", [(b"123456789", b"24650")], last_answer=b"no\x04\x04")
    key_ends_the_pause(run, pieces=())


def burst_at_the_console(run):
    """An arrow key at the pause, and a line typed right after it: none of it
    reaches the next program that reads the console (cmd.exe, and here the
    program's second run)."""
    run.dialogue(b"\r", [(b"123456789", b"24650")])
    run.type(b"\x1b[Aecho LEAKED\r")
    run.dialogue(b"\r", [(b"000000001", b"0")])
    key_ends_the_pause(run)
    assert b"LEAKED" not in VISIBLE(run.seen), "the next program read what came after the key"


def signal_in_the_quiet_time(run):
    """A handled signal while the pause waits to see whether more of a
    one-byte key comes: the pause still ends with that key."""
    at_the_pause(run)
    run.type(b"k")
    time.sleep(0.03)
    os.kill(run.pid, signal.SIGCONT)
    key_ends_the_pause(run, pieces=())


def key_with_the_last_answer(run):
    """Out of line mode the terminal gives the program what is typed as it
    comes: "no", Enter and a key in one burst, and that key ends the pause."""
    run.dialogue(b"\r", [(b"123456789", b"24650")], last_answer=b"no\rx")
    key_ends_the_pause(run, pieces=())


def hang_up_during_the_pause(run, key=b""):
    """The terminal's other side closes during the pause, with SIGHUP
    ignored (a terminal window closed under nohup). While the pause waits
    for its key, its read fails: status 2 and one line. Right after a key,
    the terminal's end ends the wait as the key does: status 0. Either way
    the program ends at once, and does not spin on the closed terminal."""
    at_the_pause(run)
    run.type(key)
    time.sleep(0.03 if key else 0.2)  # the pause is reading by now
    run.hang_up()
    status = run.wait()
    errors = run.process.stderr.read()
    expected = (0, b"") if key else (2, b"fedtax: cannot read standard input: Input/output error\n")
    assert (status, errors) == expected, f"status {status}, standard error {errors!r}"


def output_to_a_file_at_a_terminal(run):
    # The line end is for the terminal's screen; a file gets the same bytes
    # as from a pipe.
    run.dialogue(b"\r", [(b"123456789", b"24650")])
    run.wait_for_key_mode()
    run.type(b" ")
    status, after = run.finish()
    assert status == 0 and after == b"", f"status {status}, after the pause {after!r}"
    run.check_terminal_as_found()


def answers_and_key_in_one_write(run):
    """Through a pipe that stays open, every answer and the key in one
    write: the key was read with the answers, and ends the pause at once."""
    run.type(b"123456789\n24650\nno\nk")
    run.expect(PAUSE)
    status, after = run.finish()
    assert status == 0 and after == b"", f"status {status}, after the pause {after!r}"


def pipe_that_stays_open(run):
    run.dialogue(b"\n", [(b"123456789", b"24650")])
    time.sleep(0.3)
    assert run.process.poll() is None, "ended before a character came for the pause"
    run.type(b"k")
    status, after = run.finish()
    assert status == 0 and after == b"", f"status {status}, after the pause {after!r}"


KEYS = [("x", b"x"), ("Enter", b"\r"), ("space", b" "), ("Escape", b"\x1b"), ("Ctrl-C", b"\x03"),
        ("Ctrl-D", b"\x04"), ("Ctrl-Z", b"\x1a"), ("Ctrl-S", b"\x13"), ("up arrow", b"\x1b[A"), ("F5", b"\x1b[15~"),
        ("e acute", "\u00e9".encode())]
PASTE = b"".join(b"echo LEAKED-%04d\n" % i for i in range(1000))
# Keys whose bytes come in pieces, the gap between them in seconds.
PIECES = [("F5 over a slow line", [b"\x1b", b"[", b"1", b"5", b"~"], 0.03),
          ("e acute over a slow line", [b"\xc3", b"\xa9"], 0.03),
          ("a 17,000-byte paste in 1 KiB pieces",
           [PASTE[i:i + 1024] for i in range(0, len(PASTE), 1024)], 0.005)]
SIGNALS = [signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGUSR1, signal.SIGALRM,
           signal.SIGPIPE, signal.SIGRTMIN, signal.SIGRTMAX, signal.SIGABRT, signal.SIGSEGV]
CASES = [
    ("several entries, then one key", {}, several_entries_then_one_key),
    *[(f"the key {name}", {}, lambda run, k=keys: any_key_ends_the_pause(run, [k]))
      for name, keys in KEYS],
    *[(f"the key {name}", {}, lambda run, k=keys, g=gap: any_key_ends_the_pause(run, k, gap=g))
      for name, keys, gap in PIECES],
    *[(f"{signal.Signals(n).name} during the pause", {}, lambda run, n=n: signal_during_the_pause(run, n))
      for n in SIGNALS],
    ("SIGHUP during the pause, ignored from the start", {"ignored": [signal.SIGHUP]},
     lambda run: ignored_signal_during_the_pause(run, signal.SIGHUP)),
    ("SIGTSTP and SIGCONT twice during the pause of a job", {"job": True},
     lambda run: stop_and_continue_during_the_pause(run, signal.SIGTSTP, times=2)),
    ("SIGTSTP, then bg and fg, during the pause of a job", {"job": True},
     continued_in_the_background),
    ("SIGCONT between the bytes of an arrow key", {}, signal_between_the_bytes_of_a_key),
    ("SIGTSTP during the pause of an orphaned process group", {},
     lambda run: stop_and_continue_during_the_pause(run, signal.SIGTSTP)),
    ("SIGSTOP and SIGCONT during the pause, SIGCONT ignored from the start",
     {"ignored": [signal.SIGCONT]},
     lambda run: stop_and_continue_during_the_pause(run, signal.SIGSTOP, shell_puts_back=True)),
    ("no, then the end of input", {}, end_of_input_at_the_question),
    ("a terminal that is not the controlling one", {"controlling": False},
     lambda run: any_key_ends_the_pause(run, [b"x"])),
    ("SIGCONT right after a one-byte key", {}, signal_in_the_quiet_time),
    ("no, Enter and a key in one burst, out of line mode", {"canonical": False},
     key_with_the_last_answer),
    ("a terminal left non-blocking", {"nonblocking": True},
     lambda run: any_key_ends_the_pause(run, [b"k"])),
    ("the terminal hanging up during the pause, SIGHUP ignored", {"ignored": [signal.SIGHUP]},
     hang_up_during_the_pause),
    ("the terminal hanging up right after a key, SIGHUP ignored", {"ignored": [signal.SIGHUP]},
     lambda run: hang_up_during_the_pause(run, b"k")),
    ("standard output a file, at a terminal", {"output_to_pipe": True},
     output_to_a_file_at_a_terminal),
    ("a pipe that stays open", {"terminal": False}, pipe_that_stays_open),
    ("a non-blocking pipe that stays open", {"terminal": False, "nonblocking": True},
     pipe_that_stays_open),
    ("the answers and the key in one write to a pipe", {"terminal": False},
     answers_and_key_in_one_write),
]

# A Windows console, under Wine: its own pause, and nothing of POSIX.
WINDOWS_CASES = [
    ("one key at the console", {}, lambda run: any_key_ends_the_pause(run, [b"k"])),
    ("an arrow key, and a line right after it, at the console", {"twice": True},
     burst_at_the_console),
]

if sys.argv[1] == "--job":
    run_as_job(sys.argv[2])
if sys.argv[1] == "--windows":
    PROGRAM, EMULATOR, CASES = os.path.abspath(sys.argv[2]), sys.argv[3:], WINDOWS_CASES
else:
    PROGRAM, EMULATOR = os.path.abspath(sys.argv[1]), []
# What the screen shows, and a line end on it: the terminal makes LF into
# CR LF, also when the program writes CR LF itself, as on Windows.
VISIBLE = screen_text if EMULATOR else lambda output: output
LINE_END = b"\r\r\n" if EMULATOR else b"\r\n"
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
