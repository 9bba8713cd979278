#include "federal_tax.h"

#include <cfloat>
#include <cstdint>

// Each operation of the tax must be rounded to double, as on every target.
// Where double arithmetic keeps excess precision (the x87 unit of 32-bit x86
// keeps 80 bits), the last cent can differ: on an income of 63064.50 the tax
// is 14552.994999999999..., which prints 14552.99, and with one extended
// intermediate it is 14552.995, which prints 14553.00.
static_assert(FLT_EVAL_METHOD == 0 || FLT_EVAL_METHOD == 1,
              "double arithmetic keeps excess precision here; build with SSE2 "
              "(-msse2 -mfpmath=sse on 32-bit x86)");

double compute_federal_tax(double income)
{
    // Lower limit of each bracket in whole dollars; the trailing 0 is no
    // bracket, it only ends the search.
    const std::int32_t bracket_floors[] = {0, 24650, 59750, 124650, 271050, 0};
    const double bracket_rates[] = {0.15, 0.28, 0.31, 0.36, 0.396};
    // Tax owed at each lower limit: each is the one before it plus the width
    // of the bracket before it times that bracket's rate, so the tax has no
    // jump at any limit.
    const double bracket_base_tax[] = {0.00, 3697.50, 13525.50, 33644.50, 86348.50};

    // An income equal to a limit belongs to the bracket that starts there.
    int bracket = 0;
    while (bracket_floors[bracket + 1] != 0 &&
           income >= static_cast<double>(bracket_floors[bracket + 1])) {
        ++bracket;
    }

    // Each step is rounded to double on its own: the build turns off
    // floating-point contraction, so no fused multiply-add changes the bits.
    const double above_floor = income - static_cast<double>(bracket_floors[bracket]);
    const double tax_above_floor = above_floor * bracket_rates[bracket];
    return tax_above_floor + bracket_base_tax[bracket];
}
