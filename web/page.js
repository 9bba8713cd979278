'use strict';
// The page's terminal: xterm.js shows what fedtax writes, and this file
// does what a terminal's line mode does for a program that reads it. What
// is typed is echoed and edited here (Backspace, Ctrl-U) and the program
// reads it a line at a time, when Enter ends it; Ctrl-D at the start of a
// line is the end of input. A paste, or anything typed before the program
// asks, waits its turn and is echoed when the program reads it, so that
// each line of a paste shows after its own prompt, as if typed there. At
// the pause, the next key alone, unechoed, is what the program reads.
// When the program ends, the page says so and offers to run it again.

// The program's last words before it reads its key.
const PAUSE = 'Press any key to continue...';
const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The program, gzip-compressed and in base64 in the page itself.
async function compileProgram() {
    const text = document.getElementById('fedtax-program').textContent.trim();
    const packed = Uint8Array.from(atob(text), (character) => character.charCodeAt(0));
    const unpacked = new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'));
    return WebAssembly.compile(await new Response(unpacked).arrayBuffer());
}

// Where an escape sequence that starts at `start` ends: a key such as an
// arrow or F5 sends one, and it is not text.
function afterEscape(text, start) {
    let end = start + 1;
    if (text[end] === '[' || text[end] === 'O') {
        end++;
        while (end < text.length && !/[@-~]/.test(text[end])) {
            end++;
        }
    }
    return Math.min(end + 1, text.length);
}

// One run of the program: its standard streams and the line editing between
// them and the terminal.
function newSession(terminal) {
    let typed = ''; // typed, not yet taken into a line
    let line = ''; // the line being edited, as echoed
    let ready = new Uint8Array(0); // what the program has not read yet of a finished line
    let written = ''; // the end of what the program wrote since it last read
    let wake = null; // resumes a read that waits

    // The next line, as the program reads it: null while it is unfinished.
    // An empty one, from Ctrl-D at the start of a line, is the end of input.
    function takeLine() {
        let echo = '';
        let finished = null;
        let at = 0;
        while (at < typed.length && finished === null) {
            const character = typed[at];
            if (character === '\x1b') {
                at = afterEscape(typed, at);
                continue;
            }
            at++;
            if (character === '\r' || character === '\n') {
                echo += '\r\n';
                finished = line + '\n';
            } else if (character === '\x7f' || character === '\b') {
                if (line !== '') {
                    line = Array.from(line).slice(0, -1).join('');
                    echo += '\b \b';
                }
            } else if (character === '\x15') {
                echo += '\b \b'.repeat(Array.from(line).length);
                line = '';
            } else if (character === '\x04') {
                finished = line;
            } else if (character >= ' ') {
                line += character;
                echo += character;
            }
        }
        typed = typed.slice(at);
        terminal.write(echo);
        if (finished === null) {
            return null;
        }
        line = '';
        return encoder.encode(finished);
    }

    // The pause's key, unechoed, with nothing else that came with it; the
    // line ends on the screen, as the program ends it at a terminal.
    function takeKey() {
        if (typed === '') {
            return null;
        }
        const key = encoder.encode(typed).subarray(0, 1);
        typed = '';
        line = '';
        terminal.write('\r\n');
        return key;
    }

    function take(capacity, keyMode) {
        if (ready.length === 0) {
            const taken = keyMode ? takeKey() : takeLine();
            if (taken === null || taken.length === 0) {
                return taken;
            }
            ready = taken;
        }
        const part = ready.subarray(0, capacity);
        ready = ready.subarray(part.length);
        return part;
    }

    return {
        received(data) {
            typed += data;
            if (wake !== null) {
                wake();
            }
        },
        input(capacity) {
            const keyMode = written.endsWith(PAUSE);
            written = '';
            const now = take(capacity, keyMode);
            if (now !== null) {
                return now;
            }
            return new Promise((resolve) => {
                wake = () => {
                    const bytes = take(capacity, keyMode);
                    if (bytes !== null) {
                        wake = null;
                        resolve(bytes);
                    }
                };
            });
        },
        output(descriptor, bytes) {
            written = (written + decoder.decode(bytes)).slice(-PAUSE.length);
            terminal.write(bytes);
        },
    };
}

function startPage() {
    const terminal = new Terminal({
        convertEol: true,
        cursorBlink: true,
        fontFamily: 'ui-monospace, "DejaVu Sans Mono", Menlo, Consolas, monospace',
        fontSize: 15,
        screenReaderMode: true,
        scrollback: 5000,
    });
    const fit = new FitAddon.FitAddon();
    terminal.loadAddon(fit);
    const box = document.getElementById('terminal');
    terminal.open(box);
    fit.fit();
    new ResizeObserver(() => fit.fit()).observe(box);
    // Tab moves on to the page's next control, as on any page: the program
    // has no use for it, and the keyboard is never caught in the terminal.
    terminal.attachCustomKeyEventHandler((event) => event.key !== 'Tab');

    const status = document.getElementById('status');
    const again = document.getElementById('again');
    const program = compileProgram();
    let session = null;
    terminal.onData((data) => session?.received(data));

    async function run() {
        terminal.reset();
        status.textContent = '';
        again.hidden = true;
        session = newSession(terminal);
        terminal.focus();
        try {
            const code = await runWasi(await program, session);
            status.textContent = `[fedtax ended with status ${code}]`;
        } catch (error) {
            status.textContent = `[fedtax stopped: ${error}]`;
        }
        session = null;
        again.hidden = false;
    }
    again.addEventListener('click', run);
    run();
}

startPage();
