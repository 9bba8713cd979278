'use strict';
// Runs fedtax, built for WASI and made suspendable by binaryen's asyncify
// pass, on a page's own thread (and under Node.js, for the tests). The
// program's eight WASI imports are answered here: standard output and error
// go to `output`, standard input comes from `input`, and there is no file,
// no argument and no environment. When `input` has nothing yet, the program
// is suspended in its read (asyncify saves its call stack in the room it
// exports, fedtax_suspend_room) and resumed, from the same read, once the
// bytes have come.
//
//   runWasi(module, {input, output}) -> Promise of the exit status
//   input(capacity): a Uint8Array of at most `capacity` bytes now (an empty
//     one is the end of input), or a Promise of one.
//   output(descriptor, bytes): bytes written to 1 or 2.
// `module` is a compiled WebAssembly.Module.

const ERRNO_SUCCESS = 0;
const ERRNO_BADF = 8;
const ERRNO_NOSYS = 52;
const ERRNO_SPIPE = 70;
const FILETYPE_CHARACTER_DEVICE = 2;
const RIGHT_FD_READ = 1n << 1n;
const RIGHT_FD_WRITE = 1n << 6n;
const ASYNCIFY_UNWINDING = 1;
const ASYNCIFY_REWINDING = 2;
// The size of fedtax_suspend_room, in src/console_platform_wasi.cpp.
const SUSPEND_ROOM_SIZE = 64 * 1024;

// Thrown by proc_exit through the program's frames, back to runWasi.
class ProgramExit {
    constructor(status) {
        this.status = status;
    }
}

async function runWasi(module, { input, output }) {
    let exports = null;
    let inputPromise = null;
    let inputBytes = null;
    const view = () => new DataView(exports.memory.buffer);
    const bytesAt = (address, length) => new Uint8Array(exports.memory.buffer, address, length);

    // Each iovec is an address and a length, 8 bytes.
    function ioVectors(address, count) {
        const vectors = [];
        for (let i = 0; i < count; i++) {
            const at = address + 8 * i;
            vectors.push([view().getUint32(at, true), view().getUint32(at + 4, true)]);
        }
        return vectors;
    }

    function fdRead(descriptor, address, count, readAddress) {
        if (descriptor !== 0) {
            return ERRNO_BADF;
        }
        const vectors = ioVectors(address, count);
        if (exports.asyncify_get_state() === ASYNCIFY_REWINDING) {
            // Resumed: the bytes waited for are in.
            exports.asyncify_stop_rewind();
        } else {
            const capacity = vectors.reduce((sum, [, length]) => sum + length, 0);
            const got = input(capacity);
            if (got instanceof Promise) {
                inputPromise = got;
                const room = exports.fedtax_suspend_room.value;
                view().setUint32(room, room + 8, true);
                view().setUint32(room + 4, room + SUSPEND_ROOM_SIZE, true);
                exports.asyncify_start_unwind(room);
                return ERRNO_SUCCESS;
            }
            inputBytes = got;
        }
        let done = 0;
        for (const [at, length] of vectors) {
            const part = inputBytes.subarray(done, done + length);
            bytesAt(at, part.length).set(part);
            done += part.length;
        }
        view().setUint32(readAddress, done, true);
        return ERRNO_SUCCESS;
    }

    function fdWrite(descriptor, address, count, writtenAddress) {
        if (descriptor !== 1 && descriptor !== 2) {
            return ERRNO_BADF;
        }
        let done = 0;
        for (const [at, length] of ioVectors(address, count)) {
            output(descriptor, bytesAt(at, length).slice());
            done += length;
        }
        view().setUint32(writtenAddress, done, true);
        return ERRNO_SUCCESS;
    }

    // The standard streams are a terminal's: character devices, not
    // seekable, 0 for reading and 1 and 2 for writing.
    function fdFdstatGet(descriptor, address) {
        if (descriptor > 2) {
            return ERRNO_BADF;
        }
        bytesAt(address, 24).fill(0);
        view().setUint8(address, FILETYPE_CHARACTER_DEVICE);
        view().setBigUint64(address + 8, descriptor === 0 ? RIGHT_FD_READ : RIGHT_FD_WRITE, true);
        return ERRNO_SUCCESS;
    }

    const system = {
        fd_read: fdRead,
        fd_write: fdWrite,
        fd_fdstat_get: fdFdstatGet,
        fd_seek: (descriptor) => (descriptor > 2 ? ERRNO_BADF : ERRNO_SPIPE),
        fd_close: (descriptor) => (descriptor > 2 ? ERRNO_BADF : ERRNO_SUCCESS),
        environ_sizes_get: (countAddress, sizeAddress) => {
            view().setUint32(countAddress, 0, true);
            view().setUint32(sizeAddress, 0, true);
            return ERRNO_SUCCESS;
        },
        environ_get: () => ERRNO_SUCCESS,
        proc_exit: (status) => {
            throw new ProgramExit(status);
        },
    };
    // Any other function a later build may import answers that it has none.
    for (const { module: name, name: field, kind } of WebAssembly.Module.imports(module)) {
        if (name === 'wasi_snapshot_preview1' && kind === 'function' && !(field in system)) {
            system[field] = () => ERRNO_NOSYS;
        }
    }
    const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: system });
    exports = instance.exports;

    for (;;) {
        try {
            exports._start();
        } catch (error) {
            if (error instanceof ProgramExit) {
                return error.status;
            }
            throw error;
        }
        if (exports.asyncify_get_state() !== ASYNCIFY_UNWINDING) {
            // main returned 0: wasi-libc's start calls proc_exit only for
            // another status.
            return 0;
        }
        exports.asyncify_stop_unwind();
        inputBytes = await inputPromise;
        exports.asyncify_start_rewind(exports.fedtax_suspend_room.value);
    }
}

if (typeof module === 'object') {
    module.exports = { runWasi };
}
