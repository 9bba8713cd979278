// Runs the page's program (fedtax-suspending.wasm) through the page's own
// WASI host, web/wasi_host.js, under Node.js: each read that finds no input
// waiting suspends the program until more comes, as typing does on the
// page. Exits with the program's status:
//   node node_page_host.mjs WASI_HOST.js PROGRAM.wasm
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { resolve } from 'node:path';

const { runWasi } = createRequire(import.meta.url)(resolve(process.argv[2]));
const module = await WebAssembly.compile(await readFile(process.argv[3]));

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
function take(capacity) {
    if (waiting.length > 0) {
        const bytes = waiting.subarray(0, capacity);
        waiting = waiting.subarray(bytes.length);
        return new Uint8Array(bytes);
    }
    return ended ? new Uint8Array(0) : null;
}

function input(capacity) {
    return take(capacity) ?? new Promise((resolve) => {
        wake = () => {
            const bytes = take(capacity);
            if (bytes !== null) {
                wake = () => {};
                resolve(bytes);
            }
        };
    });
}

const output = (descriptor, bytes) => (descriptor === 1 ? process.stdout : process.stderr).write(bytes);
process.exitCode = await runWasi(module, { input, output });
process.stdin.destroy();
