#ifndef FEDTAX_ENTRY_PROMPTS_H
#define FEDTAX_ENTRY_PROMPTS_H

#include <optional>
#include <string>

// The three readers of the console dialogue. Each writes its prompt to
// standard output, reads standard input and answers every unacceptable input
// with "Invalid entry." and its prompt again, without limit. Each returns an
// empty optional when standard input ends before an acceptable answer.

// A Social Security number: exactly nine ASCII digits, as typed, leading
// zeros included.
std::optional<std::string> read_ssn();

// A taxable income in dollars: a finite number, not negative (zero allowed),
// alone on its line but for white space.
std::optional<double> read_taxable_income();

// Whether another entry follows: true for "yes", false for "no".
std::optional<bool> ask_process_another();

#endif
