/* The yardstick for bench/throughput.sh: the same dialogue in plain C with
 * stdio, for valid input. It writes the same bytes with the same writes as
 * fedtax: one flush at every line end and one before every read, nine
 * writes an entry. It checks each answer only as far as valid input needs,
 * and it is not part of the program. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void say(const char *text)
{
    fputs(text, stdout);
    fflush(stdout);
}

static int read_line(char *line, int size)
{
    if (fgets(line, size, stdin) == NULL) {
        return 0;
    }
    line[strcspn(line, "\n")] = '\0';
    return 1;
}

static double tax_on(double income)
{
    static const int floors[] = {0, 24650, 59750, 124650, 271050, 0};
    static const double rates[] = {0.15, 0.28, 0.31, 0.36, 0.396};
    static const double base_tax[] = {0.00, 3697.50, 13525.50, 33644.50, 86348.50};
    int i = 0;
    while (floors[i + 1] != 0 && income >= (double)floors[i + 1]) {
        ++i;
    }
    double above_floor = income - (double)floors[i];
    double tax_above_floor = above_floor * rates[i];
    return tax_above_floor + base_tax[i];
}

int main(void)
{
    char ssn[4098];
    char line[4098];
    for (;;) {
        say("Enter your Social Security number without spaces or dashes (ex. 123456789) \n");
        say(">> ");
        if (!read_line(ssn, sizeof ssn) || strlen(ssn) != 9 || strspn(ssn, "0123456789") != 9) {
            return 1;
        }
        say("Enter your taxable income (ex. 44197.36)\n");
        say(">> ");
        char *end = NULL;
        if (!read_line(line, sizeof line)) {
            return 1;
        }
        double income = strtod(line, &end);
        if (end == line || *end != '\0' || income < 0) {
            return 1;
        }
        double tax = tax_on(income);
        printf("SSN:         %s\n", ssn);
        fflush(stdout);
        printf("Income:      $%.2f\n", income);
        fflush(stdout);
        printf("Federal Tax: $%.2f\n", tax);
        fflush(stdout);
        say("\n");
        say("Would you like to process another entry? (yes/no): ");
        if (!read_line(line, sizeof line)) {
            return 1;
        }
        if (strcmp(line, "no") == 0) {
            say("Press any key to continue...");
            getchar();
            return 0;
        }
        if (strcmp(line, "yes") != 0) {
            return 1;
        }
    }
}
