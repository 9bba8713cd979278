'use strict';
// The page's rules, with no page in them, for a table of cases under Node.js
// (tests/page_rules_test.js): the prompt, what a line, a key or a paste
// means there; and the session, which hands the program what was entered.

// The program's last words before it reads its key.
const PAUSE = 'Press any key to continue...';

// What each prompt takes, known by how its line begins: the keyboard that a
// phone shows for it, the id of the page's sentence that says what it
// accepts, and whether a decimal comma stands for the point.
const PROMPTS = [
    { begins: 'Enter your Social Security number', inputMode: 'numeric', about: 'answer-number' },
    {
        begins: 'Enter your taxable income', inputMode: 'decimal', about: 'answer-income',
        decimalComma: true,
    },
    { begins: 'Would you like to process another entry?', inputMode: 'text', about: 'answer-question' },
    { begins: PAUSE, inputMode: 'text', about: 'answer-key' },
];

// The prompt that the program's text ends at, named by its line: the last
// line, or the one before the cue alone; null where neither is a prompt
// (after an empty line, or after part of a line that Ctrl-D handed over).
function promptAt(text) {
    const lines = text.split('\n');
    const open = lines[lines.length - 1];
    const line = open === '>> ' ? lines[lines.length - 2] ?? '' : open;
    const item = PROMPTS.find((one) => line.startsWith(one.begins));
    return item === undefined ? null : { ...item, name: line.trim() };
}

// A whole line of digits, one comma and one or two digits, with the white
// space the program takes around an amount: a decimal comma, as a phone's
// keypad types it where decimals are written so. Any other comma goes as
// typed, for the program to refuse: 44,197 may be thousands or 44.197.
const BLANKS = '[ \\t\\v\\f\\r]*';
const DECIMAL_COMMA = new RegExp(`^(${BLANKS}\\d+),(\\d\\d?${BLANKS}\\n)$`);

// What the person meant by `text`, typed at `prompt`, where the keyboard
// cannot type it: a CJK input method's full-width forms and ideographic
// space are their ASCII characters, and a decimal comma, where the prompt
// takes one, is the point. Nothing else is changed.
function meant(text, prompt) {
    const ascii = text.replace(/\u3000/g, ' ').replace(/[\uff01-\uff5e]/g,
        (wide) => String.fromCharCode(wide.charCodeAt(0) - 0xfee0));
    return prompt?.decimalComma ? ascii.replace(DECIMAL_COMMA, '$1.$2') : ascii;
}

// What a key does at the field, which holds `held`: null where the field
// does its own; else {hands}, the field's own prevented, with the text the
// key hands the program (null for none). Ctrl-D (the letter d, or the key in
// D's place where the layout has no Latin letter there) hands over what the
// field holds, unless an input method composes. An input method's own
// Enter, confirming what it composed, ends no line: every engine gives it
// keyCode 229, Safari also after the composition; a phone's Enter key (13)
// commits a word still composed and ends the line. At the pause a key sends
// what a terminal sends (Enter a carriage return, an arrow an escape, a
// letter itself); nothing for Shift or Tab, a browser's shortcut (Ctrl-C
// copies), or a phone keyboard's key, whose text comes with its edit.
function keyDoes(key, atThePause, held) {
    if (key.ctrlKey && !key.altKey && !key.metaKey &&
        (key.key.toLowerCase() === 'd' || (key.code === 'KeyD' && !/^[a-z]$/i.test(key.key)))) {
        return { hands: key.isComposing ? null : held };
    }
    if (key.key === 'Enter' && key.keyCode === 229) {
        return { hands: null };
    }
    if (!atThePause || key.isComposing || key.ctrlKey || key.altKey || key.metaKey) {
        return null;
    }
    const escape = /^(Escape|Arrow.*|F\d+|Home|End|PageUp|PageDown|Insert|Delete)$/.test(key.key);
    const sent = { Enter: '\r', Backspace: '\x7f' }[key.key] ?? (escape ? '\x1b' : key.key);
    return Array.from(sent).length === 1 ? { hands: sent } : null;
}

// A paste of `text` between `before` and `after`, the field's text around
// its selection: each whole line an answer, and the rest left in the field,
// the caret after it; null for one line, which the field takes itself. At
// the pause, all of it at once, whose first character is the key.
function pasted(before, text, after, atThePause) {
    if (atThePause) {
        return { answers: [before + text + after], value: '', caret: 0 };
    }
    if (!/[\r\n]/.test(text)) {
        return null;
    }
    const lines = (before + text).split(/\r\n|\r|\n/);
    const rest = lines.pop();
    return { answers: lines.map((line) => `${line}\n`), value: rest + after, caret: rest.length };
}

// One run of the program, for runWasi (wasi_host.js): what was entered is
// handed over as the program reads it, and what it wrote and read since it
// last began a read is shown then, all at once, or when it ends (flush).
// From what it wrote, the session knows the prompt that a read answers, and
// says when that changes; a whole line is read as meant there, but one that
// Ctrl-D handed over in pieces goes as typed, as the program reads it whole.
// `view` is told: show(text), prompt(what promptAt gives).
function newSession(view) {
    const encoder = new TextEncoder();
    const decoder = new TextDecoder();
    const entered = []; // lines with their end, Ctrl-D's text without, '' the end of input
    let ready = new Uint8Array(0); // the unread rest of the text being read
    let unshown = '';
    let tail = ''; // the last lines shown
    let prompt = null;
    let inPieces = false; // Ctrl-D has handed over part of the line
    let wake = null; // resumes a read that waits
    function flush() {
        if (unshown !== '') {
            view.show(unshown);
            tail = (tail + unshown).slice(-400);
            unshown = '';
        }
    }
    // The next bytes for a read of at most `capacity`; null while there are
    // none yet. At the pause, the first byte entered is the key, unechoed,
    // the rest dropped, and the line ends as a terminal's would.
    function take(capacity) {
        if (ready.length === 0) {
            if (entered.length === 0) {
                return null;
            }
            const typed = entered.shift();
            const whole = !inPieces && typed.endsWith('\n');
            inPieces = typed.endsWith('\n') ? false : inPieces || typed !== '';
            const text = meant(typed, whole ? prompt : null);
            if (prompt?.begins === PAUSE) {
                entered.length = 0;
                unshown += '\n';
                return encoder.encode(text).subarray(0, 1);
            }
            unshown += text;
            ready = encoder.encode(text);
        }
        const part = ready.subarray(0, capacity);
        ready = ready.subarray(part.length);
        return part;
    }

    return {
        enter(text) {
            entered.push(text);
            wake?.();
        },
        input(capacity) {
            flush();
            const now = ready.length === 0 ? promptAt(tail) : null;
            if (now !== null && now.begins !== prompt?.begins) {
                prompt = now;
                view.prompt(now);
            }
            return take(capacity) ?? new Promise((resolve) => {
                wake = () => {
                    const bytes = take(capacity);
                    if (bytes !== null) {
                        wake = null;
                        resolve(bytes);
                    }
                };
            });
        },
        output(descriptor, bytes) {
            unshown += decoder.decode(bytes, { stream: true });
        },
        flush,
    };
}

if (typeof module === 'object') {
    module.exports = { PAUSE, promptAt, meant, keyDoes, pasted, newSession };
}
