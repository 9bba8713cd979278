#include "entry_loop.h"

#include "console_platform.h"
#include "entry_prompts.h"
#include "entry_report.h"
#include "federal_tax.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

// The program could not read its input or write its output.
constexpr int exit_io_failure = 2;

// One line on standard error: what failed, and the system's reason. It is
// written in one piece, so that it is not split by other writers.
int report_failure(const char* what, int error)
{
    std::cerr << std::string("fedtax: ") + what + ": " + std::strerror(error) + "\n" << std::flush;
    return exit_io_failure;
}

int report_write_failure(int error)
{
    return report_failure("cannot write to standard output", error);
}

int report_read_failure(int error)
{
    return report_failure("cannot read standard input", error);
}

// A reader gave no answer: standard output failed (a reader reads nothing
// once it has), or standard input failed or ended. Nothing runs between the
// failed call and this one, so errno still tells why.
int stop_without_answer()
{
    const int error = errno;
    if (!std::cout) {
        return report_write_failure(error);
    }
    if (std::ferror(stdin) != 0) {
        return report_read_failure(error);
    }
    // The dialogue was cut off: end the line the cursor is on, so that the
    // shell's prompt starts on a fresh one, and report the failure.
    if (!(std::cout << std::endl)) {
        return report_write_failure(errno);
    }
    return EXIT_FAILURE;
}

} // namespace

int run_entries()
{
    std::string ssn;
    for (;;) {
        std::optional<std::string> typed_ssn = read_ssn();
        if (!typed_ssn) {
            return stop_without_answer();
        }
        ssn = *typed_ssn;

        std::optional<double> income = read_taxable_income();
        if (!income) {
            return stop_without_answer();
        }
        const double tax = compute_federal_tax(*income);
        print_entry_report(ssn, *income, tax);

        std::optional<bool> another = ask_process_another();
        if (!another) {
            return stop_without_answer();
        }
        if (!*another) {
            break;
        }
    }

    // Flushed before the wait so that the message is on the screen whatever
    // the buffering of standard output.
    if (!(std::cout << "Press any key to continue..." << std::flush)) {
        return report_write_failure(errno);
    }
    const int read_error = wait_for_key();
    if (read_error != 0) {
        return report_read_failure(read_error);
    }
    if (!std::cout) {
        return report_write_failure(errno);
    }
    return EXIT_SUCCESS;
}
