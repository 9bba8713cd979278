#ifndef FEDTAX_ENTRY_REPORT_H
#define FEDTAX_ENTRY_REPORT_H

#include <string>

// Writes one entry's report to standard output: the number, the income and
// the tax, the amounts with two decimals, and an empty line after them. The
// money format stays set on standard output afterwards.
void print_entry_report(std::string ssn, double income, double tax);

#endif
