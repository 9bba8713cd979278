#include "entry_prompts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string_view>

namespace {

// No acceptable answer is anywhere near this long; it is also the size of the
// Linux terminal's line buffer. Whatever is typed beyond it is read and
// dropped, so a line of any length costs bounded memory.
constexpr std::size_t max_line_length = 4096;

// A Social Security number has nine digits, and nothing else.
constexpr std::size_t ssn_length = 9;

void write_cue()
{
    std::cout << ">> ";
}

void reject_entry()
{
    std::cout << "Invalid entry." << std::endl;
}

// One line of standard input without its line end. Empty when there is no
// line to give: standard output has failed (nothing more is read once the
// user can no longer see the prompts), or standard input has failed, or it
// has ended before the line's first character. A line longer than
// max_line_length is cut to max_line_length + 1 characters: enough to tell
// that it was too long.
std::optional<std::string> read_line()
{
    // One flush for the whole line: it puts the prompt on the screen before
    // the program waits, and tells whether the output still reaches anyone.
    if (!std::cout.flush()) {
        return std::nullopt;
    }
    // The characters come straight from the stream buffer, which reads the
    // same standard input as the C library does.
    std::streambuf& input = *std::cin.rdbuf();
    using traits = std::streambuf::traits_type;
    traits::int_type next = input.sbumpc();
    if (traits::eq_int_type(next, traits::eof())) {
        return std::nullopt;
    }
    std::string line;
    while (!traits::eq_int_type(next, traits::eof()) && traits::to_char_type(next) != '\n') {
        if (line.size() <= max_line_length) {
            line.push_back(traits::to_char_type(next));
        }
        next = input.sbumpc();
    }
    // A line cut short by a failed read is no answer.
    if (std::ferror(stdin) != 0) {
        return std::nullopt;
    }
    return line;
}

bool is_too_long(const std::string& line)
{
    return line.size() > max_line_length;
}

// A line cut short may hide anything after its blanks, so it is not blank.
bool is_blank(const std::string& line)
{
    return !is_too_long(line) && std::all_of(line.begin(), line.end(),
                                             [](unsigned char c) { return std::isspace(c) != 0; });
}

// An ASCII digit, whatever the locale; a byte of 128 and above is none.
bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_ssn(const std::string& line)
{
    return line.size() == ssn_length && std::all_of(line.begin(), line.end(), is_digit);
}

// White space around an amount: what isspace takes in the C locale.
constexpr const char* white_space = " \t\n\v\f\r";

// The position after the digits that start at `at`.
std::size_t skip_digits(const std::string& text, std::size_t at)
{
    while (at < text.size() && is_digit(text[at])) {
        ++at;
    }
    return at;
}

// The position after the one character of `set` that may stand at `at`.
std::size_t skip_one_of(const std::string& text, std::size_t at, std::string_view set)
{
    return at < text.size() && set.find(text[at]) != std::string_view::npos ? at + 1 : at;
}

// Whether the text is a decimal number and nothing else: an optional sign,
// digits with at most one decimal point among them (at least one digit in
// all), and an optional exponent (e or E, an optional sign, at least one
// digit). No infinity, no NaN, no hexadecimal: the program reads amounts by
// this rule of its own, so that the same texts are amounts whatever C++
// library it is built with.
bool is_decimal_number(const std::string& text)
{
    const std::size_t mantissa = skip_one_of(text, 0, "+-");
    const std::size_t point = skip_digits(text, mantissa);
    const std::size_t fraction = skip_one_of(text, point, ".");
    std::size_t at = skip_digits(text, fraction);
    if ((point - mantissa) + (at - fraction) == 0) {
        return false;
    }
    const std::size_t exponent = skip_one_of(text, at, "eE");
    if (exponent > at) {
        const std::size_t exponent_digits = skip_one_of(text, exponent, "+-");
        at = skip_digits(text, exponent_digits);
        if (at == exponent_digits) {
            return false;
        }
    }
    return at == text.size();
}

// Whether a decimal number is negative: a minus sign before a mantissa with
// a digit that is not zero. Told from the text, because an amount too small
// for a double comes out as zero.
bool is_negative(const std::string& number)
{
    // Both are npos where the number has none.
    return number[0] == '-' && number.find_first_of("123456789") < number.find_first_of("eE");
}

// The amount on a line that holds one number and nothing else but white
// space; empty for anything else, a number too large for a double included.
std::optional<double> parse_income(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(white_space);
    if (is_too_long(line) || first == std::string::npos) {
        return std::nullopt;
    }
    const std::string number = line.substr(first, line.find_last_not_of(white_space) + 1 - first);
    if (!is_decimal_number(number) || is_negative(number)) {
        return std::nullopt;
    }
    // Once the text is known to be decimal, every C library converts it the
    // same way, to the double nearest to it (the program keeps the C locale,
    // whose decimal point is '.'). A magnitude too small for a double comes
    // out as zero or nearly, one too large as infinity.
    const double amount = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(amount)) {
        return std::nullopt;
    }
    // A negative zero is zero, and must not show as -0.00.
    if (amount == 0.0) {
        return 0.0;
    }
    return amount;
}

} // namespace

std::optional<std::string> read_ssn()
{
    for (;;) {
        // One text, as the compiler joins the two pieces.
        std::cout << "Enter your Social Security number "
                     "without spaces or dashes (ex. 123456789) "
                  << std::endl;
        write_cue();
        std::optional<std::string> line = read_line();
        if (!line || is_ssn(*line)) {
            return line;
        }
        reject_entry();
    }
}

std::optional<double> read_taxable_income()
{
    for (;;) {
        std::cout << "Enter your taxable income (ex. 44197.36)" << std::endl;
        write_cue();
        // Blank lines get no reaction: the amount may come on a later line.
        std::optional<std::string> line = read_line();
        while (line && is_blank(*line)) {
            line = read_line();
        }
        if (!line) {
            return std::nullopt;
        }
        std::optional<double> income = parse_income(*line);
        if (income) {
            return income;
        }
        reject_entry();
    }
}

std::optional<bool> ask_process_another()
{
    for (;;) {
        std::cout << "Would you like to process another entry? "
                     "(yes/no): ";
        std::optional<std::string> line = read_line();
        if (!line) {
            return std::nullopt;
        }
        if (*line == "yes") {
            return true;
        }
        if (*line == "no") {
            return false;
        }
        reject_entry();
    }
}
