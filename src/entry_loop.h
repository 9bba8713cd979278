#ifndef FEDTAX_ENTRY_LOOP_H
#define FEDTAX_ENTRY_LOOP_H

#include <string>

// Runs the whole dialogue on the console: one entry after another for as
// long as the user answers "yes", then the pause. Returns the exit status:
// 0 when the user answered "no", 1 when standard input ended first.
int run_entries();

// Writes one entry's report to standard output: the number, the income and
// the tax, the amounts with two decimals, and an empty line after them. The
// money format stays set on standard output afterwards.
void print_entry_report(std::string ssn, double income, double tax);

#endif
