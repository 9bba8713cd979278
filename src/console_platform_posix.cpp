// The console on POSIX systems: the terminal's key mode for the pause, and
// the signals that could otherwise leave the terminal in it.
#include "console_platform.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <iostream>
#include <vector>

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

// Whether the pause may set the terminal now: it may not once its job has
// been put in the background (`bg`), when the terminal's settings are the
// foreground job's and the shell's. A terminal that is not the program's
// controlling one has no foreground job to respect.
// tcgetpgrp and getpgrp are async-signal-safe (POSIX lists both), so the
// handlers below may call this.
bool terminal_is_ours()
{
    const pid_t foreground = tcgetpgrp(terminal);
    return foreground < 0 || foreground == getpgrp();
}

// tcsetattr is async-signal-safe, and the settings it is given are never
// written while a handler can run.
void set_terminal(const termios& settings)
{
    if (terminal_is_ours()) {
        tcsetattr(terminal, TCSANOW, &settings);
    }
}

// Gives a signal the action SIG_DFL or SIG_IGN; sigaction is
// async-signal-safe.
void set_action(int signal_number, void (*handler)(int), struct sigaction* action_found)
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, action_found);
}

// A process that a signal ends or stops writes no coverage counts, so the
// handlers are left out of the coverage figure; the terminal test sends the
// signals.
// GCOVR_EXCL_START

// For a signal that ends the program: puts the terminal's settings back,
// then lets the signal end the program as it would have, with a core dump
// where it dumps one. The signal is blocked while this runs, so raise leaves
// it pending, and it is delivered again, with its default action, as soon
// as this returns (before a faulting instruction could run again).
extern "C" void put_back_and_end(int signal_number)
{
    set_terminal(settings_found);
    set_action(signal_number, SIG_DFL, nullptr);
    static_cast<void>(std::raise(signal_number));
}

// For a signal that stops the program (SIGTSTP, SIGTTIN, SIGTTOU): puts the
// terminal's settings back, then stops as the signal's default action
// would, so that the terminal is as it was while the job is stopped. Once
// continued, it takes the key mode again and goes on waiting.
extern "C" void put_back_and_stop(int signal_number)
{
    const int error = errno;
    set_terminal(settings_found);
    struct sigaction own_action {};
    set_action(signal_number, SIG_DFL, &own_action);
    // sigprocmask and raise are async-signal-safe. With the signal unblocked,
    // raise delivers it at once with its default action: the program stops
    // inside raise, which returns when it is continued. (The system drops
    // the stop instead where no shell could continue the program, in an
    // orphaned process group; raise then returns at once.)
    sigset_t this_signal;
    sigemptyset(&this_signal);
    sigaddset(&this_signal, signal_number);
    sigprocmask(SIG_UNBLOCK, &this_signal, nullptr);
    static_cast<void>(std::raise(signal_number));
    sigprocmask(SIG_BLOCK, &this_signal, nullptr);
    sigaction(signal_number, &own_action, nullptr);
    set_terminal(key_mode);
    errno = error;
}

// For SIGCONT: a program stopped by SIGSTOP, which no handler sees, finds
// the terminal as the shell left it when it is continued, and takes the key
// mode again.
extern "C" void take_key_mode_again(int /*signal_number*/)
{
    const int error = errno;
    set_terminal(key_mode);
    errno = error;
}

// GCOVR_EXCL_STOP

using signal_handler = void (*)(int);

// What the pause does with a signal that comes while it waits. Every signal
// whose default action ends the program (with a core dump or without) puts
// the terminal's settings back first, a fault's as much as one from
// elsewhere; the stop signals do too before the program stops; SIGCONT takes
// the key mode again. A signal that cannot be caught, or that does nothing
// by default, has no handler.
signal_handler pause_handler(int signal_number)
{
    switch (signal_number) {
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
        return put_back_and_stop;
    case SIGCONT:
        return take_key_mode_again;
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGURG:
#ifdef SIGWINCH
    case SIGWINCH:
#endif
#ifdef SIGINFO
    case SIGINFO:
#endif
        return nullptr;
    default:
        return put_back_and_end;
    }
}

struct pause_signal {
    int number;
    signal_handler handler;
};

// The signals that the pause handles, found by asking of every signal number:
// the real-time signals are among them, and a number that sigaction refuses
// (the C library keeps a few real-time signals for itself) is not.
std::vector<pause_signal> pause_signals()
{
    std::vector<pause_signal> signals;
    for (int number = 1; number < NSIG; ++number) {
        struct sigaction action_found {};
        const signal_handler handler = pause_handler(number);
        if (handler != nullptr && sigaction(number, nullptr, &action_found) == 0) {
            signals.push_back({number, handler});
        }
    }
    return signals;
}

sigset_t signal_set(const std::vector<pause_signal>& signals)
{
    sigset_t set;
    sigemptyset(&set);
    for (const pause_signal& each : signals) {
        sigaddset(&set, each.number);
    }
    return set;
}

// Installs the pause's handlers, each of which runs with all of
// `pause_set` blocked; returns the actions they replace. A signal that is
// ignored (as nohup leaves SIGHUP) stays ignored; only SIGCONT is caught
// whatever its action, as it continues the program either way.
std::vector<struct sigaction> install_handlers(const std::vector<pause_signal>& signals,
                                               const sigset_t& pause_set)
{
    struct sigaction handler {};
    handler.sa_mask = pause_set;
    // No SA_RESTART: a read that a signal interrupts returns, and the pause
    // reads again.
    handler.sa_flags = 0;
    std::vector<struct sigaction> actions_found(signals.size());
    for (std::size_t i = 0; i < signals.size(); ++i) {
        sigaction(signals[i].number, nullptr, &actions_found[i]);
        if (actions_found[i].sa_handler != SIG_IGN || signals[i].number == SIGCONT) {
            handler.sa_handler = signals[i].handler;
            sigaction(signals[i].number, &handler, nullptr);
        }
    }
    return actions_found;
}

// A descriptor left non-blocking (by a previous program on the same
// terminal, or handed over so) would make a read or a write fail where it
// only has to wait, and the C library may drop what it had buffered for a
// write that fails so. The program waits on it as on any other, as shells
// do with their terminal; the flag is the open file's, so it stays off for
// whoever shares it.
void make_blocking(int descriptor)
{
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0) {
        fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }
}

// Room for a key's bytes, or a good part of a paste, in one read.
constexpr std::size_t read_size = 4096;

// How long the terminal must be quiet after a key before the pause ends:
// longer than the gaps inside a paste or an escape sequence that comes in
// pieces, shorter than a person's next keystroke.
constexpr int quiet_milliseconds = 100;

// Reads the key, and everything that comes with it; returns 0, or the errno
// of a read that failed. The end of input (a terminal that hangs up) ends
// the wait as a key does.
int read_key()
{
    char bytes[read_size];
    ssize_t count = 0;
    do {
        count = read(terminal, bytes, sizeof bytes);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return errno;
    }
    // A key may send several bytes (an arrow, a function key, a letter
    // beyond ASCII), and a paste many, and they need not arrive at once:
    // read on until the terminal has been quiet for a while, or has ended.
    pollfd input{terminal, POLLIN, 0};
    while (count > 0 || (count < 0 && errno == EINTR)) {
        const int ready = poll(&input, 1, quiet_milliseconds);
        if (ready == 0) {
            break;
        }
        count = ready > 0 ? read(terminal, bytes, sizeof bytes) : -1;
    }
    // Nothing that came with the key is left for the shell to read.
    tcflush(terminal, TCIFLUSH);
    return 0;
}

// The key is not echoed (and the end of input shows nothing), so the line
// end that Enter used to echo is written here: the shell's prompt starts on
// a line of its own.
void end_line_on_screen()
{
    if (isatty(STDOUT_FILENO) != 0) {
        std::cout << std::endl;
    }
}

} // namespace

void prepare_console()
{
    // A write past the file size limit (ulimit -f) then fails with EFBIG,
    // and the program reports it as any failed write, instead of the signal
    // ending it without a word.
    set_action(SIGXFSZ, SIG_IGN, nullptr);
    make_blocking(STDIN_FILENO);
    make_blocking(STDOUT_FILENO);
    make_blocking(STDERR_FILENO);
    // At a terminal nothing is read ahead of the reader that needs it, so a
    // key typed with the last answer (out of line mode, or in a paste) is
    // still on the terminal for the pause, which reads it there.
    if (isatty(terminal) != 0) {
        // It cannot fail here: nothing has been read yet.
        static_cast<void>(std::setvbuf(stdin, nullptr, _IONBF, 0));
    }
}

int wait_for_key()
{
    // Not a terminal: one character, or the end of input, ends the pause.
    if (tcgetattr(terminal, &settings_found) != 0) {
        if (std::getchar() == EOF && std::ferror(stdin) != 0) {
            return errno;
        }
        return 0;
    }
    // A terminal whose input has already ended (Ctrl-D at the question).
    if (std::feof(stdin) != 0) {
        end_line_on_screen();
        return 0;
    }

    // One key as it comes, unechoed; Enter, Ctrl-C, Ctrl-D, Ctrl-S, Ctrl-Z
    // and the rest are keys like any other.
    key_mode = settings_found;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IGNCR);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;

    // The pause's signals are blocked while the handlers or the settings
    // change, so that no handler runs halfway through.
    const std::vector<pause_signal> signals = pause_signals();
    const sigset_t pause_set = signal_set(signals);
    sigset_t mask_found;
    sigprocmask(SIG_BLOCK, &pause_set, &mask_found);
    const std::vector<struct sigaction> actions_found = install_handlers(signals, pause_set);
    sigprocmask(SIG_SETMASK, &mask_found, nullptr);
    set_terminal(key_mode);

    const int error = read_key();

    // A signal that comes now waits until the settings are back, and then
    // takes the action it had before the pause.
    sigprocmask(SIG_BLOCK, &pause_set, nullptr);
    set_terminal(settings_found);
    for (std::size_t i = 0; i < signals.size(); ++i) {
        sigaction(signals[i].number, &actions_found[i], nullptr);
    }
    sigprocmask(SIG_SETMASK, &mask_found, nullptr);

    if (error == 0) {
        end_line_on_screen();
    }
    return error;
}
