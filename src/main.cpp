#include "console_platform.h"
#include "entry_loop.h"

// Arguments and environment are not used: the dialogue is all on the console.
int main()
{
    prepare_console();
    return run_entries();
}
