#include "console_platform.h"
#include "entry_loop.h"

// Arguments and environment are not used: the dialogue is all on the console.
int main()
{
    const console_changes changes = prepare_console();
    const int status = run_entries();
    restore_console(changes);
    return status;
}
