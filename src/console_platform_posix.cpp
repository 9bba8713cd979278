// The console on POSIX systems: the standard streams' blocking mode, the
// terminal's key mode for the pause, and the signals that could otherwise
// leave the terminal in it.
#include "console_platform.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int terminal = STDIN_FILENO;

// The terminal's settings as the pause found them, and the key mode that the
// pause sets. Every way out of the pause puts the first back, and a program
// continued after a stop takes the second again; the signal handlers do both,
// so the two have to live where the handlers can reach them. They are
// written before any handler is installed and only read while one is.
termios settings_found;
termios key_mode;

// Sets the terminal, unless the program's job has been put in the
// background (`bg`): the terminal's settings are then the foreground job's
// and the shell's. A terminal that is not the program's controlling one has
// no foreground job to respect. tcgetpgrp, getpgrp and tcsetattr are
// async-signal-safe (POSIX lists them), and the settings given are never
// written while a handler can run, so the handlers below may call this.
void set_terminal(const termios& settings)
{
    const pid_t foreground = tcgetpgrp(terminal);
    if (foreground < 0 || foreground == getpgrp()) {
        tcsetattr(terminal, TCSANOW, &settings);
    }
}

// Gives a signal the action `handler`; sigaction is async-signal-safe.
void set_action(int signal_number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    // Every signal waits while the pause's handler runs. No SA_RESTART: a
    // read that a signal interrupts returns, and the pause reads again.
    sigfillset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

// A process that a signal ends or stops writes no coverage counts, so the
// handler is left out of the coverage figure; the terminal test sends the
// signals.
// GCOVR_EXCL_START

// The pause's one handler, for every signal that it catches. SIGCONT
// continues the program, which takes its key mode again: the shell may have
// put its own settings back while it was stopped (by SIGSTOP, which no
// handler sees). Any other signal first puts the terminal's settings back,
// then takes its default action: raised again, unblocked and with SIG_DFL,
// it ends the program as it would have (with a core dump where it dumps
// one), or stops it until SIGCONT, or, where no shell could continue it (an
// orphaned process group), the system drops the stop and raise returns at
// once. A program that goes on catches the signal again and waits for its
// key. sigprocmask and raise are async-signal-safe.
extern "C" void leave_the_pause(int signal_number)
{
    const int error = errno;
    if (signal_number != SIGCONT) {
        set_terminal(settings_found);
        set_action(signal_number, SIG_DFL);
        sigset_t this_signal;
        sigemptyset(&this_signal);
        sigaddset(&this_signal, signal_number);
        sigprocmask(SIG_UNBLOCK, &this_signal, nullptr);
        static_cast<void>(std::raise(signal_number));
        sigprocmask(SIG_BLOCK, &this_signal, nullptr);
        set_action(signal_number, leave_the_pause);
    }
    set_terminal(key_mode);
    errno = error;
}

// GCOVR_EXCL_STOP

// Whether the pause catches a signal: every one that ends or stops the
// program by default, and SIGCONT. Not those that cannot be caught, nor
// those that do nothing by default.
bool pause_catches(int signal_number)
{
#ifdef SIGINFO
    if (signal_number == SIGINFO) {
        return false;
    }
#endif
    return signal_number != SIGKILL && signal_number != SIGSTOP && signal_number != SIGCHLD &&
           signal_number != SIGURG && signal_number != SIGWINCH;
}

using signal_actions = std::array<struct sigaction, NSIG>;

// Gives every signal that the pause catches its handler, the real-time
// signals among them, and returns the actions that all signals had, for the
// pause to put back. A signal ignored at the start (as SIGHUP under nohup,
// or SIGXFSZ, which the program ignores itself) stays ignored; only SIGCONT
// is caught whatever its action, as it continues the program either way. A
// number that sigaction refuses (the C library keeps a few real-time
// signals for itself) keeps its action.
signal_actions catch_signals()
{
    signal_actions found{};
    for (int number = 1; number < NSIG; ++number) {
        if (sigaction(number, nullptr, &found[number]) == 0 && pause_catches(number) &&
            (found[number].sa_handler != SIG_IGN || number == SIGCONT)) {
            set_action(number, leave_the_pause);
        }
    }
    return found;
}

// Room for a key's bytes, or a good part of a paste, in one read.
constexpr std::size_t read_size = 4096;

// How long the terminal must be quiet after a key before the pause ends:
// longer than the gaps inside a paste or an escape sequence that comes in
// pieces, shorter than a person's next keystroke.
constexpr int quiet_milliseconds = 100;

// Reads the key, and everything that comes with it; returns 0, or the errno
// of a read of the key that failed. The end of input (a terminal that hangs
// up) ends the wait as a key does. The key is waited for by a read, which
// stops a job in the background where a poll would not. A key may send
// several bytes (an arrow, a function key, a letter beyond ASCII), and a
// paste many, and they need not arrive at once: after the key it reads on
// until the terminal has been quiet for a while, or has ended, or a read
// fails (as one does with EIO once the job is put in the background while
// it ignores SIGTTIN). Only an interrupted wait or read is tried again.
int read_key()
{
    char bytes[read_size];
    pollfd input{terminal, POLLIN, 0};
    int wait = -1; // for the key: as long as it takes
    for (;;) {
        const int ready = wait < 0 ? 1 : poll(&input, 1, wait);
        const ssize_t count = ready > 0 ? read(terminal, bytes, sizeof bytes) : ready;
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && wait < 0) {
            return errno;
        }
        if (count <= 0) {
            break;
        }
        wait = quiet_milliseconds;
    }
    // Nothing that came with the key is left for the shell to read.
    tcflush(terminal, TCIFLUSH);
    return 0;
}

// The pause at the terminal, whose settings are in settings_found: one key
// as it comes, unechoed; Enter, Ctrl-C, Ctrl-D, Ctrl-S, Ctrl-Z and the rest
// are keys like any other. Returns what read_key returns.
int read_key_unechoed()
{
    key_mode = settings_found;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IGNCR);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;

    // Every signal waits while the handlers or the settings change, so that
    // no handler runs halfway through.
    sigset_t all_signals;
    sigset_t mask_found;
    sigfillset(&all_signals);
    sigprocmask(SIG_BLOCK, &all_signals, &mask_found);
    const signal_actions actions = catch_signals();
    sigprocmask(SIG_SETMASK, &mask_found, nullptr);
    set_terminal(key_mode);

    const int error = read_key();

    // A signal that comes now waits until the settings are back, and then
    // takes the action it had before the pause.
    sigprocmask(SIG_BLOCK, &all_signals, nullptr);
    set_terminal(settings_found);
    for (int number = 1; number < NSIG; ++number) {
        sigaction(number, &actions[number], nullptr);
    }
    sigprocmask(SIG_SETMASK, &mask_found, nullptr);
    return error;
}

} // namespace

console_changes prepare_console()
{
    // A write past the file size limit (ulimit -f) then fails with EFBIG,
    // and the program reports it as any failed write, instead of the signal
    // ending it without a word.
    set_action(SIGXFSZ, SIG_IGN);
    // A standard descriptor left non-blocking (by a previous program on the
    // same terminal, or handed over so by an event loop) would make a read
    // or a write fail where it only has to wait, and the C library may drop
    // what it had buffered for a write that fails so: the program turns the
    // mode off and waits as on any other descriptor, as shells do with their
    // terminal.
    console_changes changes{};
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        const int flags = fcntl(descriptor, F_GETFL);
        changes[descriptor] = flags >= 0 && (flags & O_NONBLOCK) != 0 &&
                              fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0;
    }
    // At a terminal nothing is read ahead of the reader that needs it, so a
    // key typed with the last answer (out of line mode, or in a paste) is
    // still on the terminal for the pause, which reads it there.
    if (isatty(terminal) != 0) {
        // It cannot fail here: nothing has been read yet.
        static_cast<void>(std::setvbuf(stdin, nullptr, _IONBF, 0));
    }
    return changes;
}

void restore_console(const console_changes& changes)
{
    // Everything written is out before a descriptor may refuse to wait.
    std::cout.flush();
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        const int flags = fcntl(descriptor, F_GETFL);
        if (changes[descriptor] && flags >= 0) {
            fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
        }
    }
}

int wait_for_key()
{
    // Not a terminal: one character, or the end of input, ends the pause.
    if (tcgetattr(terminal, &settings_found) != 0) {
        return std::getchar() == EOF && std::ferror(stdin) != 0 ? errno : 0;
    }
    // A terminal whose input has already ended (Ctrl-D at the question)
    // gives no key.
    const int error = std::feof(stdin) != 0 ? 0 : read_key_unechoed();
    // The key is not echoed (and the end of input shows nothing), so the line
    // end that Enter used to echo is written here: the shell's prompt starts
    // on a line of its own.
    if (error == 0 && isatty(STDOUT_FILENO) != 0) {
        std::cout << std::endl;
    }
    return error;
}
