#include "entry_loop.h"

#include "entry_prompts.h"
#include "entry_report.h"
#include "federal_tax.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace {

// The dialogue was cut off: end the line the cursor is on, so that the
// shell's prompt starts on a fresh one, and report the failure.
int stop_at_end_of_input()
{
    std::cout << std::endl;
    return EXIT_FAILURE;
}

} // namespace

int run_entries()
{
    std::string ssn;
    for (;;) {
        std::optional<std::string> typed_ssn = read_ssn();
        if (!typed_ssn) {
            return stop_at_end_of_input();
        }
        ssn = *typed_ssn;

        std::optional<double> income = read_taxable_income();
        if (!income) {
            return stop_at_end_of_input();
        }
        const double tax = compute_federal_tax(*income);
        print_entry_report(ssn, *income, tax);

        std::optional<bool> another = ask_process_another();
        if (!another) {
            return stop_at_end_of_input();
        }
        if (!*another) {
            break;
        }
    }

    // Flushed before the wait so that the message is on the screen whatever
    // the buffering of standard output.
    std::cout << "Press any key to continue..." << std::flush;
    // Any character ends the pause, and so does the end of input.
    static_cast<void>(std::getchar());
    return EXIT_SUCCESS;
}
