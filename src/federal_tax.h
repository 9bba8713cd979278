#ifndef FEDTAX_FEDERAL_TAX_H
#define FEDTAX_FEDERAL_TAX_H

// Federal income tax owed on a taxable income, by the fixed five-bracket
// progressive rate schedule. The income is in dollars, finite and not
// negative; the result is in dollars and is not rounded to cents.
double compute_federal_tax(double income);

#endif
