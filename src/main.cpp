#include "entry_loop.h"

// Arguments and environment are not used: the dialogue is all on the console.
int main()
{
    return run_entries();
}
