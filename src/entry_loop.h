#ifndef FEDTAX_ENTRY_LOOP_H
#define FEDTAX_ENTRY_LOOP_H

// Runs the whole dialogue on the console: one entry after another for as
// long as the user answers "yes", then the pause. Returns the exit status:
// 0 when the user answered "no", 1 when standard input ended first, 2 when
// standard input could not be read or standard output could not be written
// (after one line on standard error that says which, and why).
int run_entries();

#endif
