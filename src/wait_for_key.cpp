#include "wait_for_key.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace {

// One character of standard input, read and dropped.
int read_one_character()
{
    if (std::getchar() == EOF && std::ferror(stdin) != 0) {
        return errno;
    }
    return 0;
}

} // namespace

#if __has_include(<termios.h>) && __has_include(<unistd.h>)

#include <csignal>
#include <cstddef>
#include <iterator>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings as the pause found them. Every way out of the
// pause puts them back, the signal handler's included, so they have to live
// where that handler can reach them.
termios settings_found;

// The signals that end a program waiting at a terminal when they come from
// elsewhere: a hang-up, an interrupt or a quit from another terminal, kill.
constexpr int ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr std::size_t ending_signal_count = std::size(ending_signals);

// Puts the terminal's settings back, then lets the signal end the program
// as it would have: the signal is blocked while this runs, so it is
// delivered again, with its default action, as soon as this returns.
// A process that a signal ends writes no coverage counts, so these lines are
// left out of the coverage figure; the terminal test sends the signals.
// GCOVR_EXCL_START
extern "C" void put_back_and_end(int signal_number)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &settings_found);
    static_cast<void>(std::signal(signal_number, SIG_DFL));
    static_cast<void>(std::raise(signal_number));
}
// GCOVR_EXCL_STOP

// Room for all the bytes of one key, an escape sequence or a UTF-8
// character, in one read.
constexpr std::size_t key_bytes = 64;

// Reads the key; returns 0, or the errno of a read that failed.
int read_key(const termios& key_mode)
{
    char keys[key_bytes];
    ssize_t count = 0;
    do {
        count = read(STDIN_FILENO, keys, sizeof keys);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return errno;
    }
    // A key that sends several bytes (an arrow, a function key, Alt with a
    // letter) starts them with Escape, and over a slow line the rest may
    // come a little later: read on until the terminal has been quiet for a
    // tenth of a second.
    if (count > 0 && keys[0] == '\x1b') {
        termios until_quiet = key_mode;
        until_quiet.c_cc[VMIN] = 0;
        until_quiet.c_cc[VTIME] = 1;
        tcsetattr(STDIN_FILENO, TCSANOW, &until_quiet);
        while (read(STDIN_FILENO, keys, sizeof keys) > 0) {
            // dropped
        }
    }
    // Nothing that came with the key is left for the shell to read.
    tcflush(STDIN_FILENO, TCIFLUSH);
    return 0;
}

} // namespace

int wait_for_key()
{
    // Not a terminal, or the input has already ended: one character, or the
    // end of input, ends the pause.
    if (std::feof(stdin) != 0 || tcgetattr(STDIN_FILENO, &settings_found) != 0) {
        return read_one_character();
    }

    // A signal ignored when the program started (nohup) stays ignored.
    struct sigaction handler {};
    handler.sa_handler = put_back_and_end;
    sigemptyset(&handler.sa_mask);
    for (const int signal_number : ending_signals) {
        sigaddset(&handler.sa_mask, signal_number);
    }
    struct sigaction actions_found[ending_signal_count] {};
    for (std::size_t i = 0; i < ending_signal_count; ++i) {
        sigaction(ending_signals[i], nullptr, &actions_found[i]);
        if (actions_found[i].sa_handler != SIG_IGN) {
            sigaction(ending_signals[i], &handler, nullptr);
        }
    }

    // One key as it comes, unechoed; Enter, Ctrl-C, Ctrl-D, Ctrl-S and the
    // rest are keys like any other.
    termios key_mode = settings_found;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IGNCR);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &key_mode);

    const int error = read_key(key_mode);

    tcsetattr(STDIN_FILENO, TCSANOW, &settings_found);
    for (std::size_t i = 0; i < ending_signal_count; ++i) {
        sigaction(ending_signals[i], &actions_found[i], nullptr);
    }

    // The key is not echoed, so the line end that Enter used to echo is
    // written here: the shell's prompt starts on a line of its own.
    if (error == 0 && isatty(STDOUT_FILENO) != 0) {
        std::cout << std::endl;
    }
    return error;
}

#else

// No terminal settings to change on this system: the pause takes one
// character, at a terminal too.
int wait_for_key()
{
    return read_one_character();
}

#endif
