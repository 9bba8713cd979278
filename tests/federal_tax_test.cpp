#include "federal_tax.h"

#include <gtest/gtest.h>

namespace {

struct TaxCase {
    double income;
    double tax;
};

// Each lower limit owes exactly its bracket's base tax: nothing above the
// limit is taxed, so no rounding may show. The bracket below would give a
// tax one unit in the last place away at some of them.
TEST(ComputeFederalTax, OwesExactlyTheBaseTaxAtEveryLowerLimit)
{
    const TaxCase limits[] = {
        {0.00, 0.00},          {24650.00, 3697.50},   {59750.00, 13525.50},
        {124650.00, 33644.50}, {271050.00, 86348.50},
    };
    for (const TaxCase& c : limits) {
        EXPECT_EQ(compute_federal_tax(c.income), c.tax) << "income " << c.income;
    }
}

// Expected taxes worked out by hand in exact decimals, far closer to the
// result than the neighbouring bracket's formula would give.
TEST(ComputeFederalTax, FollowsTheScheduleAroundEveryLimit)
{
    const TaxCase cases[] = {
        // One cent below a limit is still taxed in the bracket below it.
        {24649.99, 3697.4985},
        {59749.99, 13525.4972},
        {124649.99, 33644.4969},
        {271049.99, 86348.4964},
        // The income prompt's own example, and far into the top bracket.
        {44197.36, 9170.7608},
        {1000000.00, 375012.70},
    };
    for (const TaxCase& c : cases) {
        EXPECT_NEAR(compute_federal_tax(c.income), c.tax, 1e-7) << "income " << c.income;
    }
}

// Subtraction, multiplication and addition each rounded to double. For these
// incomes one fused multiply-add would round differently, so a build that
// lets the compiler contract the formula fails here.
TEST(ComputeFederalTax, RoundsEachStepOnItsOwn)
{
    EXPECT_EQ(compute_federal_tax(24994.42), 0x1.da3e00d1b7174p+11);
    EXPECT_EQ(compute_federal_tax(61402.96), 0x1.b6af573eab368p+13);
    EXPECT_EQ(compute_federal_tax(135574.26), 0x1.2592779a6b50cp+15);
    EXPECT_EQ(compute_federal_tax(274176.57), 0x1.56229f290abb4p+16);
}

TEST(ComputeFederalTax, NeverDecreasesAsTheIncomeGrows)
{
    double previous = compute_federal_tax(0.0);
    for (int cents = 1; cents <= 30'000'000; cents += 7) {
        const double tax = compute_federal_tax(cents / 100.0);
        ASSERT_GE(tax, previous) << "income " << cents / 100.0;
        previous = tax;
    }
}

} // namespace
