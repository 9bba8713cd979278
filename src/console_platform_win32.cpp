// The console on Windows: the pause takes one key of the console without
// Enter or echo, as the console's own "Press any key to continue..." does.
#include "console_platform.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

#include <conio.h>
#include <windows.h>

namespace {

// Whether a standard handle is a console, rather than a file, a pipe or the
// NUL device (which _isatty takes for a console too).
bool is_console(DWORD standard_handle)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standard_handle), &mode) != 0;
}

// _getch gives a key that has no character (an arrow, a function key,
// Insert, Delete) as two codes: 0 or 224, then the key's own.
constexpr int first_of_two_codes = 0;
constexpr int first_of_two_codes_extended = 224;

} // namespace

// Standard input and output are text streams, as the C runtime opens them:
// a line end is written as CR LF, CR LF is read as one line end, and a
// Ctrl-Z byte ends the input. A write that fails (a full disk, a closed
// pipe) reports its error as it is; there is no signal to set aside.
console_changes prepare_console()
{
    return {};
}

void restore_console(const console_changes& /*changes*/)
{
}

int wait_for_key()
{
    // Not a console: one character, or the end of input, ends the pause.
    if (!is_console(STD_INPUT_HANDLE)) {
        if (std::getchar() == EOF && std::ferror(stdin) != 0) {
            return errno;
        }
        return 0;
    }
    // At the console one key ends it, unless the input has already ended
    // (Ctrl-Z at the question). Ctrl-C stays the console's interrupt: it ends
    // the program as it ends any console program, and _getch leaves the
    // console's mode as it found it, so there is nothing to put back.
    if (std::feof(stdin) == 0) {
        const int key = _getch();
        if (key == first_of_two_codes || key == first_of_two_codes_extended) {
            static_cast<void>(_getch());
        }
        // What else came with the key, its release among it, is dropped.
        FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    }
    // The key is not echoed, so the line is ended here: the next prompt
    // starts on a line of its own.
    if (is_console(STD_OUTPUT_HANDLE)) {
        std::cout << std::endl;
    }
    return 0;
}
