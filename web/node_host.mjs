// Runs fedtax's WebAssembly program under Node.js, with this process's
// standard streams, and exits with the program's status:
//   node --no-warnings node_host.mjs PROGRAM.wasm
//     under Node.js's own WASI (--no-warnings: it says on standard error
//     that WASI is experimental);
//   node node_host.mjs --page PROGRAM.wasm
//     the suspendable program (fedtax-suspending.wasm) through the page's
//     own host, wasi_host.js: a read that finds no input waiting suspends
//     the program until more comes, as typing does on the page.
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { WASI } from 'node:wasi';

const page = process.argv[2] === '--page';
const path = process.argv[page ? 3 : 2];
const module = await WebAssembly.compile(await readFile(path));

if (page) {
    const { runWasi } = createRequire(import.meta.url)('./wasi_host.js');
    let waiting = Buffer.alloc(0);
    let ended = false;
    let wake = () => {};
    process.stdin.on('data', (chunk) => {
        waiting = Buffer.concat([waiting, chunk]);
        wake();
    });
    process.stdin.on('end', () => {
        ended = true;
        wake();
    });
    // What has come, or the end of input, or nothing yet (null).
    const take = (capacity) => {
        if (waiting.length > 0) {
            const bytes = waiting.subarray(0, capacity);
            waiting = waiting.subarray(bytes.length);
            return new Uint8Array(bytes);
        }
        return ended ? new Uint8Array(0) : null;
    };
    const input = (capacity) => take(capacity) ?? new Promise((resolve) => {
        wake = () => {
            const bytes = take(capacity);
            if (bytes !== null) {
                wake = () => {};
                resolve(bytes);
            }
        };
    });
    const output = (descriptor, bytes) => (descriptor === 1 ? process.stdout : process.stderr).write(bytes);
    process.exitCode = await runWasi(module, { input, output });
    process.stdin.destroy();
} else {
    const wasi = new WASI({ version: 'preview1', args: [path], returnOnExit: true });
    process.exitCode = wasi.start(await WebAssembly.instantiate(module, wasi.getImportObject()));
}
