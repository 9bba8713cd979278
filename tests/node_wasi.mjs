// Runs a WASI command under Node.js's own WASI, with this process's
// standard streams, and exits with the command's status:
//   node --no-warnings node_wasi.mjs PROGRAM.wasm
import { readFile } from 'node:fs/promises';
import { WASI } from 'node:wasi';

const wasi = new WASI({ version: 'preview1', args: [process.argv[2]], returnOnExit: true });
const module = await WebAssembly.compile(await readFile(process.argv[2]));
process.exitCode = wasi.start(await WebAssembly.instantiate(module, wasi.getImportObject()));
