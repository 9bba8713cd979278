#include "entry_report.h"

#include <iomanip>
#include <iostream>

// The report gets its own copy of the number, as every value in the dialogue
// is handed on by value; nine characters cost nothing to copy.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void print_entry_report(std::string ssn, double income, double tax)
{
    // Fixed point with two decimals, never an exponent, however large the
    // amount; nothing else on standard output prints numbers, so the format
    // is left in place.
    std::cout.setf(std::ios_base::showpoint);
    std::cout.setf(std::ios_base::fixed);
    std::cout << std::setprecision(2);

    // The labels are as wide as one another, so the number's first digit
    // stands above the two dollar signs.
    std::cout << "SSN:         " << ssn << std::endl;
    std::cout << "Income:      $" << income << std::endl;
    std::cout << "Federal Tax: $" << tax << std::endl << std::endl;
}
