#ifndef FEDTAX_CONSOLE_PLATFORM_H
#define FEDTAX_CONSOLE_PLATFORM_H

#include <array>

// What the dialogue needs of the system it runs on beyond standard C++. One
// source file for each kind of system implements it; the build picks one.

// Which of standard input, output and error prepare_console changed, for
// restore_console to put back.
using console_changes = std::array<bool, 3>;

// Prepares the standard streams at the program's start, before anything is
// read or written: a failing write is reported as one (on POSIX, a write
// past the file size limit fails instead of killing the program), a stream
// left non-blocking is waited on as any other, and nothing typed at a
// terminal is read ahead of the reader that needs it.
console_changes prepare_console();

// Puts back, at the end, what prepare_console changed of the caller's: the
// streams' modes belong to the open files, which the caller shares.
void restore_console(const console_changes& changes);

// The pause after "Press any key to continue...". At a terminal or console
// it waits for one key, without Enter and without echo, drops whatever else
// that key sent, puts the terminal's settings back as they were (also when a
// signal stops or ends the program during the wait) and, when standard
// output is the terminal too, ends the line there. Elsewhere it reads one
// character of standard input. The end of input ends the wait as a key does.
// Returns 0, or the errno of a read of standard input that failed.
int wait_for_key();

#endif
