'use strict';
// The page's side of the dialogue. What fedtax writes is shown as text, with
// the line ends it writes, and what it reads comes from one native text
// field, a line at a time: the field's value when Enter is pressed, and a
// line end. The field stands where the answer goes, after the cue or the
// question, and its own editing is the line editing (a phone keyboard's
// compositions and suggestions among it). An answer, once read, stays in
// the dialogue after its prompt. A paste of several lines, or a line
// entered before the program asks, waits its turn, each line shown after
// its own prompt as the program reads it. Ctrl-D hands over what the field
// holds without a line end, or, with nothing there, ends the input. At the
// pause the first key, unechoed, is what the program reads. When the
// program ends, the page says so and offers to run it again, below. What
// the program reads, and the dialogue shows, is what the person meant where
// the keyboard cannot type it (see meant).

// The program's last words before it reads its key.
const PAUSE = 'Press any key to continue...';
const encoder = new TextEncoder();

// What each prompt takes, known by how its line begins: the keyboard that a
// phone shows for it, and the item of the page's list that says what it
// accepts; whether a decimal comma stands for the point.
const PROMPTS = [
    { begins: 'Enter your Social Security number', inputMode: 'numeric', about: 'answer-number' },
    {
        begins: 'Enter your taxable income', inputMode: 'decimal', about: 'answer-income',
        decimalComma: true,
    },
    { begins: 'Would you like to process another entry?', inputMode: 'text', about: 'answer-question' },
    { begins: PAUSE, inputMode: 'text', about: 'answer-key' },
];

// How a run ended, by its exit status.
const ENDINGS = {
    0: 'fedtax has ended, after the answer no (exit status 0).',
    1: 'fedtax has ended: its input ended before the answer no (exit status 1).',
    2: 'fedtax has ended: it could not read its input or write its output (exit status 2).',
};

// The program, gzip-compressed and in base64 in the page itself. (Each
// way taken here is the fastest of those measured in the three engines.)
async function compileProgram() {
    const text = document.getElementById('fedtax-program').textContent.replace(/\s/g, '');
    let packed;
    if (Uint8Array.fromBase64) {
        packed = Uint8Array.fromBase64(text);
    } else {
        const bytes = atob(text);
        packed = new Uint8Array(bytes.length);
        for (let at = 0; at < bytes.length; at++) {
            packed[at] = bytes.charCodeAt(at);
        }
    }
    // Compiled as it is unpacked.
    const unpacked = new Response(packed).body.pipeThrough(new DecompressionStream('gzip'));
    const program = new Response(unpacked, { headers: { 'Content-Type': 'application/wasm' } });
    if (WebAssembly.compileStreaming) {
        return WebAssembly.compileStreaming(program);
    }
    return WebAssembly.compile(await program.arrayBuffer());
}

// What the person meant by `text`, typed at `prompt`, where the keyboard
// cannot type it: a CJK input method's full-width forms and ideographic
// space are their ASCII characters, and where a decimal comma stands for
// the point (on a phone whose region writes decimals so, the keypad has no
// point), digits, one comma and one or two digits are read with a point.
// Any other comma stays, for the program to refuse: 44,197 may be
// thousands or a European 44.197. Nothing else is changed.
function meant(text, prompt) {
    const ascii = text.replace(/\u3000/g, ' ').replace(/[\uff01-\uff5e]/g,
        (wide) => String.fromCharCode(wide.charCodeAt(0) - 0xfee0));
    return prompt?.decimalComma ? ascii.replace(/^(\d+),(\d\d?\n?)$/, '$1.$2') : ascii;
}

// Whether a key is Ctrl-D: the letter d, or, where the layout's letter
// there is not a Latin one (Cyrillic, Greek, Arabic), the key in D's place.
function isCtrlD(event) {
    return event.ctrlKey && !event.altKey && !event.metaKey &&
        (event.key.toLowerCase() === 'd' || (event.code === 'KeyD' && !/^[a-z]$/i.test(event.key)));
}

// What a key sends at the pause, as a terminal sends it: Enter a carriage
// return, Escape, an arrow or a function key an escape, a letter itself.
// Null for a key that sends nothing (Shift alone, Tab, which moves on to
// the page's next control), for a shortcut of the browser's (Ctrl-C copies
// a selection, Ctrl-V pastes), and for a phone keyboard's key, whose text
// comes with the edit of the field that follows it.
function keyText(event) {
    const key = event.key;
    if (event.isComposing || event.ctrlKey || event.altKey || event.metaKey) {
        return null;
    }
    if (key === 'Enter') {
        return '\r';
    }
    if (key === 'Backspace') {
        return '\x7f';
    }
    if (/^(Escape|Arrow.*|F\d+|Home|End|PageUp|PageDown|Insert|Delete)$/.test(key)) {
        return '\x1b';
    }
    return Array.from(key).length === 1 ? key : null;
}

// One run of the program: the lines it has yet to read, and what it wrote
// and read since it last began a read, which `view` shows then, all at
// once, or when the program ends (flush); `view` also hears when a read
// begins (reading()) and says what a line entered meant, as it is read
// (meant()). Whether that read is the pause's is atThePause.
function newSession(view) {
    // Entered and not read yet: lines with their line end, a text from
    // Ctrl-D without one, and '' for the end of input.
    const entered = [];
    let ready = new Uint8Array(0); // the unread rest of the line being read
    let unshown = ''; // what the program wrote and read since it last began a read
    let wake = null; // resumes a read that waits
    let atThePause = false; // the read that waits is the pause's
    const decoder = new TextDecoder();

    function flush() {
        view.show(unshown);
        unshown = '';
    }

    // The next bytes for a read of at most `capacity`, to be shown as they
    // are read; null while there are none yet. At the pause, the first byte of
    // what was entered is the key, unechoed, and the rest is dropped; the
    // line ends on the screen, as the program ends it at a terminal.
    function take(capacity) {
        if (ready.length === 0) {
            if (entered.length === 0) {
                return null;
            }
            const text = view.meant(entered.shift());
            if (atThePause) {
                entered.length = 0;
                unshown += '\n';
                return encoder.encode(text).subarray(0, 1);
            }
            unshown += text;
            ready = encoder.encode(text);
            if (ready.length === 0) {
                return ready;
            }
        }
        const part = ready.subarray(0, capacity);
        ready = ready.subarray(part.length);
        return part;
    }

    return {
        enter(text) {
            entered.push(text);
            if (wake !== null) {
                wake();
            }
        },
        input(capacity) {
            atThePause = ready.length === 0 && unshown.endsWith(PAUSE);
            flush();
            if (ready.length === 0) {
                view.reading();
            }
            const now = take(capacity);
            if (now !== null) {
                return now;
            }
            return new Promise((resolve) => {
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
        get atThePause() {
            return atThePause;
        },
    };
}

// Scrolls the page so that `element` is in the part of it that shows: on a
// phone, above the on-screen keyboard.
function keepInView(element) {
    const view = window.visualViewport;
    const top = view ? view.offsetTop : 0;
    const bottom = top + (view ? view.height : window.innerHeight);
    const box = element.getBoundingClientRect();
    const margin = 8;
    if (box.bottom > bottom - margin) {
        window.scrollBy(0, box.bottom - bottom + margin);
    } else if (box.top < top + margin) {
        window.scrollBy(0, box.top - top - margin);
    }
}

function startPage() {
    const dialogue = document.getElementById('dialogue');
    const again = document.getElementById('again');
    const program = compileProgram();

    // The answer's field, in a form of its own so that Enter, a phone
    // keyboard's Go, or the form's own Enter button (an iPhone's keypads for
    // digits have no key for it) ends the line. It stands at the end of
    // the dialogue, outside its live region (a screen reader would speak
    // the field's text as new text of the dialogue): after the mark, which
    // is where the text ends, and after a place where the line may break,
    // where the rest of the line is too narrow for it. (WebKitGTK's page
    // crashes under a screen reader when an inline form holds a span.)
    const line = document.createElement('form');
    line.id = 'line';
    const mark = document.createElement('span');
    const field = document.createElement('input');
    field.id = 'answer';
    field.type = 'text';
    for (const [name, value] of Object.entries({
        autocomplete: 'off', autocorrect: 'off', autocapitalize: 'off', spellcheck: 'false',
        enterkeyhint: 'enter', 'aria-label': 'Answer',
    })) {
        field.setAttribute(name, value);
    }
    const enterButton = document.createElement('button');
    enterButton.id = 'enter';
    // Its word is the style's, so that a copy of the dialogue leaves it out.
    enterButton.setAttribute('aria-label', 'Enter');
    line.append(field, enterButton);

    let session = null;
    let run = null; // the element that holds this run's dialogue
    let said = null; // its live region: what the program wrote, and the answers
    let tail = ''; // the end of the run's text: its last lines
    let prompt = null; // the item of PROMPTS that the field answers
    let naming = 0; // the timer that gives the field its prompt's name
    let opening = true; // the field has yet to be named after the page's first prompt
    let keyIsDown = false;
    let layoutAsked = false;

    // The field takes the rest of the dialogue's last line, or where that
    // is too narrow, the whole of the next; and stays in view.
    function layOut() {
        layoutAsked = false;
        if (!line.isConnected) {
            return;
        }
        const box = run.getBoundingClientRect();
        const right = box.right - parseFloat(getComputedStyle(run).paddingRight);
        const room = Math.floor(right - mark.getBoundingClientRect().left) - 1;
        const least = 6 * parseFloat(getComputedStyle(field).fontSize) + enterButton.offsetWidth;
        line.style.width = room >= least ? `${room}px` : '100%';
        keepInView(field);
    }
    function askLayout() {
        if (!layoutAsked) {
            layoutAsked = true;
            requestAnimationFrame(layOut);
        }
    }

    function enter(text) {
        field.value = '';
        session?.enter(text);
    }

    const view = {
        meant(text) {
            return meant(text, prompt);
        },
        show(text) {
            if (text === '') {
                return;
            }
            // Each piece an element of its own, which Chromium keeps in its
            // accessibility tree (a plain span it folds into the log's text,
            // and then reports every addition as the log's whole text, new),
            // so that a screen reader hears only what was added. Screen
            // readers do not announce a paragraph (generic, which is not for
            // pages to give, Chromium would keep too).
            const piece = document.createElement('span');
            piece.setAttribute('role', 'paragraph');
            piece.textContent = text;
            said.append(piece);
            tail = (tail + text).slice(-400);
            askLayout();
        },
        // A read begins: the field answers the prompt on the last lines,
        // or the one before where there is none (after an empty line, or
        // Ctrl-D within a line). At the pause, what the field holds
        // already is the key.
        reading() {
            const lines = tail.split('\n');
            const open = lines[lines.length - 1];
            const shown = open === '>> ' ? lines[lines.length - 2] ?? '' : open;
            const found = PROMPTS.find((item) => shown.startsWith(item.begins));
            if (found !== undefined && found !== prompt) {
                prompt = found;
                field.inputMode = found.inputMode;
                for (const item of PROMPTS) {
                    document.getElementById(item.about).classList.toggle('current', item === found);
                }
                // A screen reader speaks a changed description at once, and a
                // live region's new text a moment later (Orca about 0.1 s),
                // and Firefox speaks the description at once only with a new
                // name: both change half a second after the output, so that
                // what the answer takes is heard after what asks for it. The
                // page's first prompt names the field at once, which has the
                // keyboard from the start: a screen reader then says the
                // prompt with the field, not "Answer".
                const name = () => {
                    field.setAttribute('aria-label', shown.trim());
                    field.setAttribute('aria-describedby', found.about);
                };
                clearTimeout(naming);
                if (opening) {
                    opening = false;
                    name();
                } else {
                    naming = setTimeout(name, 500);
                }
            }
            if (session.atThePause && field.value !== '') {
                enter(field.value);
            }
        },
    };

    // Enter ends the line, with a word that a phone keyboard is still
    // composing: its Enter commits the word. (A computer's input method
    // takes an Enter that commits a word itself, and the form never sees
    // it.) At the pause, where the field is empty, the line end is the key.
    line.addEventListener('submit', (event) => {
        event.preventDefault();
        enter(field.value + '\n');
    });
    field.addEventListener('keydown', (event) => {
        keyIsDown = true;
        if (isCtrlD(event)) {
            event.preventDefault();
            if (!event.isComposing) {
                enter(field.value);
            }
            return;
        }
        // An input method's own Enter, which confirms what it composed, ends
        // no line. Every engine gives it keyCode 229, Safari also after the
        // composition has ended. (A phone keyboard's Enter key, keyCode 13,
        // commits a word still composed and ends the line.)
        if (event.key === 'Enter' && event.keyCode === 229) {
            event.preventDefault();
            return;
        }
        const key = session?.atThePause ? keyText(event) : null;
        if (key !== null) {
            event.preventDefault();
            enter(key);
        }
    });
    field.addEventListener('keyup', () => {
        keyIsDown = false;
    });
    // At the pause a phone keyboard's first character is the key, also one
    // that it is still composing.
    field.addEventListener('input', () => {
        if (session?.atThePause && field.value !== '') {
            enter(field.value);
        }
    });
    // A paste of several lines: each whole line an answer, in turn, and the
    // rest left in the field. At the pause, its first character is the key.
    field.addEventListener('paste', (event) => {
        const text = event.clipboardData?.getData('text/plain') ?? '';
        const atThePause = session?.atThePause;
        if (!atThePause && !/[\r\n]/.test(text)) {
            return;
        }
        event.preventDefault();
        const before = field.value.slice(0, field.selectionStart);
        const after = field.value.slice(field.selectionEnd);
        if (atThePause) {
            enter(before + text + after);
            return;
        }
        const lines = (before + text).split(/\r\n|\r|\n/);
        const rest = lines.pop();
        field.value = rest + after;
        field.setSelectionRange(rest.length, rest.length);
        for (const whole of lines) {
            session?.enter(whole + '\n');
        }
    });
    // The Enter button leaves the keyboard to the field: neither a click nor
    // a tap on it takes the focus, so a phone's keyboard stays up. (Tab
    // still reaches it.)
    enterButton.addEventListener('mousedown', (event) => event.preventDefault());
    // A tap or a click on the dialogue gives the field the keyboard back,
    // unless it selected text, to copy.
    dialogue.addEventListener('click', () => {
        if (line.isConnected && document.getSelection().isCollapsed) {
            field.focus({ preventScroll: true });
        }
    });
    window.addEventListener('resize', askLayout);
    window.visualViewport?.addEventListener('resize', askLayout);
    window.visualViewport?.addEventListener('scroll', askLayout);

    function ended(words) {
        line.remove();
        prompt = null;
        clearTimeout(naming);
        field.setAttribute('aria-label', 'Answer');
        field.removeAttribute('aria-describedby');
        for (const item of PROMPTS) {
            document.getElementById(item.about).classList.remove('current');
        }
        // The words are the button's description, which a screen reader
        // speaks as the button takes the keyboard.
        document.getElementById('how-it-ended')?.removeAttribute('id');
        const note = document.createElement('p');
        note.className = 'ended';
        note.id = 'how-it-ended';
        note.textContent = words;
        dialogue.append(note);
        session = null;
        again.hidden = false;
        // Not while the key that ended the program is still down: its
        // release would press the button.
        const offer = () => {
            if (!again.hidden) {
                again.focus({ preventScroll: true });
                keepInView(again);
            }
        };
        if (keyIsDown) {
            document.addEventListener('keyup', offer, { once: true });
        } else {
            offer();
        }
    }

    // A run below the ones before, as a terminal keeps them.
    async function start() {
        again.hidden = true;
        run = document.createElement('div');
        run.className = 'run';
        said = document.createElement('span');
        said.setAttribute('role', 'log');
        run.append(said, mark, document.createElement('wbr'), line);
        dialogue.append(run);
        tail = '';
        field.value = '';
        keyIsDown = false;
        session = newSession(view);
        field.focus({ preventScroll: true });
        askLayout();
        let words;
        try {
            const status = await runWasi(await program, session);
            words = ENDINGS[status] ?? `fedtax has ended (exit status ${status}).`;
        } catch (error) {
            words = `fedtax has stopped: ${error}`;
        }
        session.flush();
        ended(words);
    }
    again.addEventListener('click', start);
    start();
}

startPage();
