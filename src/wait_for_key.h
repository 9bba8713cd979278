#ifndef FEDTAX_WAIT_FOR_KEY_H
#define FEDTAX_WAIT_FOR_KEY_H

// The pause after "Press any key to continue...". At a terminal it waits for
// one key, without Enter and without echo, discards whatever else that key
// sent, puts the terminal's settings back as they were (also when a signal
// ends the program during the wait) and, when standard output is the
// terminal too, ends the line there. Elsewhere it reads one character of
// standard input. The end of input ends the wait as a key does.
// Returns 0, or the errno of a read of standard input that failed.
int wait_for_key();

#endif
