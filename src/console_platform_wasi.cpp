// The console on WASI (WebAssembly's system interface): standard input and
// output are plain streams, with no terminal settings and no signals. Node's
// WASI or wasmtime hand the program the streams they were given; in a
// browser the page hands it each line, and the pause's key, itself.
#include "console_platform.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>

// Where the page saves the program's call stack while a read waits for
// typing, which suspends the program: a room of its own, because the C
// library's allocator takes all the memory there is at the start. The
// linker exports its address; other runtimes never touch it. The page's
// host (web/wasi_host.js) knows its size.
constexpr std::size_t suspend_room_size = 64 * 1024;
extern "C" {
alignas(std::max_align_t) unsigned char fedtax_suspend_room[suspend_room_size];
}

// There is nothing to prepare: a write that fails reports its error, and
// no signal can end or stop the program.
console_changes prepare_console()
{
    return {};
}

void restore_console(const console_changes& /*changes*/)
{
}

int wait_for_key()
{
    // One character, or the end of input, ends the pause.
    if (std::getchar() == EOF && std::ferror(stdin) != 0) {
        return errno;
    }
    return 0;
}
