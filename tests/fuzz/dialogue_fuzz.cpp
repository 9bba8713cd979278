// libFuzzer target: arbitrary bytes as the console input of the dialogue,
// in this process, checking what the dialogue does with them and not only
// that it survives them. Built with -DFEDTAX_FUZZ=ON and Clang.
#include "entry_loop.h"
#include "entry_prompts.h"
#include "entry_report.h"
#include "federal_tax.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A failed check aborts, and libFuzzer keeps the input that caused it.
void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Runs dialogue() with `typed` as standard input and returns what it wrote
// to standard output. The streams are put back as they were afterwards.
template <typename Dialogue>
std::string run_on_console(const std::string& typed, Dialogue dialogue)
{
    std::istringstream input(typed);
    std::ostringstream output;
    std::streambuf* const console_in = std::cin.rdbuf(input.rdbuf());
    std::streambuf* const console_out = std::cout.rdbuf(output.rdbuf());
    const std::ios_base::fmtflags flags = std::cout.flags();
    const std::streamsize precision = std::cout.precision();
    dialogue();
    std::cout.flags(flags);
    std::cout.precision(precision);
    std::cin.rdbuf(console_in);
    std::cout.rdbuf(console_out);
    return output.str();
}

bool is_nine_ascii_digits(const std::string& text)
{
    return text.size() == 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Drives the three readers the way the entry loop does, checking every
// value they accept, and records each (income, tax). Returns whether the
// user answered "no" (rather than the input ending first).
bool run_readers(const std::string& typed, std::vector<std::pair<double, double>>& entries)
{
    const std::string lines = "\n" + typed + "\n";
    for (;;) {
        const std::optional<std::string> ssn = read_ssn();
        if (!ssn) {
            return false;
        }
        require(is_nine_ascii_digits(*ssn), "the number is nine ASCII digits");
        require(lines.find("\n" + *ssn + "\n") != std::string::npos,
                "the number is a whole line of the input, as typed");

        const std::optional<double> income = read_taxable_income();
        if (!income) {
            return false;
        }
        require(std::isfinite(*income), "the income is finite");
        require(*income >= 0.0 && !std::signbit(*income), "the income is not negative");

        const double tax = compute_federal_tax(*income);
        require(std::isfinite(tax) && tax >= 0.0, "the tax is finite and not negative");
        require(tax >= compute_federal_tax(std::nextafter(*income, 0.0)),
                "the tax is not below that of the next smaller income");
        entries.emplace_back(*income, tax);
        print_entry_report(*ssn, *income, tax);

        const std::optional<bool> another = ask_process_another();
        if (!another) {
            return false;
        }
        if (!*another) {
            return true;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The pause reads the real standard input, which the target cannot
    // redirect per run: /dev/null is no terminal, so the pause reads one
    // character there, meets the end of input and returns at once.
    if (std::freopen("/dev/null", "r", stdin) == nullptr) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string typed(reinterpret_cast<const char*>(data), size);

    std::vector<std::pair<double, double>> entries;
    bool answered_no = false;
    const std::string readers_output =
        run_on_console(typed, [&] { answered_no = run_readers(typed, entries); });

    // A larger income never owes less, across the entries of one input too.
    std::sort(entries.begin(), entries.end());
    for (std::size_t i = 1; i < entries.size(); ++i) {
        require(entries[i].second >= entries[i - 1].second, "the tax grows with the income");
    }

    int status = -1;
    const std::string output = run_on_console(typed, [&] { status = run_entries(); });

    // The loop returned; it did so because the input ran out or "no" came.
    const std::string pause = "Press any key to continue...";
    if (answered_no) {
        require(status == EXIT_SUCCESS, "status 0 after \"no\"");
        require(output == readers_output + pause, "the loop ends with the pause after \"no\"");
    } else {
        require(status == EXIT_FAILURE, "status 1 when the input ends first");
        require(output == readers_output + "\n", "the loop ends the line when the input ends");
    }
    require(count_of(output, "SSN:         ") == entries.size(), "one report per entry");

    // Every prompt but the last consumes at least one line of input, so the
    // dialogue cannot go on without reading.
    const std::size_t prompts = count_of(output, ">> ") + count_of(output, "(yes/no): ");
    require(prompts <= count_of(typed, "\n") + 2, "no prompt without input to answer it");
    return 0;
}
