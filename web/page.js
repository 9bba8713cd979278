'use strict';
// The page around the rules and the session of rules.js: what fedtax writes
// shown as text, with its line ends, and what it reads typed into one
// native text field after the cue or the question, whose own editing is the
// line editing (a phone keyboard's compositions among it). When the program
// ends, the page says so and offers to run it again, below.

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

// The answer's line: the field, in a form of its own so that Enter, a
// phone's Go, or the form's button (an iPhone's keypads for digits have no
// Enter) ends the line. It stands after a run's live region (which would
// speak its text as new text), the mark and a place where the line may
// break, in the rest of the last line or the next, in view. (WebKitGTK's
// page crashes under a screen reader when an inline form holds a span.)
function newAnswerLine() {
    const form = Object.assign(document.createElement('form'), { id: 'line' });
    const mark = document.createElement('span');
    const field = document.createElement('input');
    const button = Object.assign(document.createElement('button'), { id: 'enter' });
    for (const [name, value] of Object.entries({
        id: 'answer', type: 'text', autocomplete: 'off', autocorrect: 'off', autocapitalize: 'off',
        spellcheck: 'false', enterkeyhint: 'enter',
    })) {
        field.setAttribute(name, value);
    }
    // Its word is the style's, so that a copy of the dialogue leaves it out.
    button.setAttribute('aria-label', 'Enter');
    form.append(field, button);
    let run = null;
    let frame = 0;
    function layOut() {
        if (form.isConnected) {
            const right = run.getBoundingClientRect().right -
                parseFloat(getComputedStyle(run).paddingRight);
            const room = Math.floor(right - mark.getBoundingClientRect().left) - 1;
            const least = 6 * parseFloat(getComputedStyle(field).fontSize) + button.offsetWidth;
            form.style.width = room >= least ? `${room}px` : '100%';
            keepInView(field);
        }
    }
    const askLayout = () => {
        cancelAnimationFrame(frame);
        frame = requestAnimationFrame(layOut);
    };
    window.addEventListener('resize', askLayout);
    window.visualViewport?.addEventListener('resize', askLayout);
    window.visualViewport?.addEventListener('scroll', askLayout);
    return {
        form, field, button, askLayout,
        placeIn(block) {
            run = block;
            block.append(mark, document.createElement('wbr'), form);
            askLayout();
        },
    };
}

// The field's name and description: its prompt, and the page's sentence of
// what that takes, marked at once. A screen reader speaks a new description
// at once, a live region's new text a moment later (Orca about 0.1 s), and
// Firefox the description at once only with a new name: both change half a
// second after the output, so that what the answer takes comes after what
// asks for it. The page's first prompt names the field, which has the
// keyboard from the start, at once, so that it is not announced as "Answer".
function newFieldName(field) {
    let timer = 0;
    let first = true;
    const mark = (about) => document.querySelectorAll('#answers [id]').forEach(
        (sentence) => sentence.classList.toggle('current', sentence.id === about));
    const name = (prompt) => {
        field.setAttribute('aria-label', prompt.name);
        field.setAttribute('aria-describedby', prompt.about);
    };
    const self = {
        prompt(prompt) {
            field.inputMode = prompt.inputMode;
            mark(prompt.about);
            clearTimeout(timer);
            if (first) {
                name(prompt);
            } else {
                timer = setTimeout(() => name(prompt), 500);
            }
            first = false;
        },
        reset() {
            clearTimeout(timer);
            field.setAttribute('aria-label', 'Answer');
            field.removeAttribute('aria-describedby');
            mark(null);
        },
    };
    self.reset();
    return self;
}

// What the field's keys, edits and pastes hand the program, at a prompt or
// at the pause (page.enter empties the field); returns whether a key is down.
function listen(line, page) {
    const { form, field, button } = line;
    const { enter } = page;
    let down = false;
    document.addEventListener('keydown', () => (down = true), true);
    document.addEventListener('keyup', () => (down = false), true);
    window.addEventListener('blur', () => (down = false));
    // Enter ends the line, with a word that a phone keyboard still composes;
    // at the pause, where the field is empty, the line end is the key.
    form.addEventListener('submit', (event) => {
        event.preventDefault();
        enter(`${field.value}\n`);
    });
    field.addEventListener('keydown', (event) => {
        const does = keyDoes(event, page.atThePause(), field.value);
        if (does !== null) {
            event.preventDefault();
            if (does.hands !== null) {
                enter(does.hands);
            }
        }
    });
    field.addEventListener('input', page.keyFromField);
    field.addEventListener('paste', (event) => {
        const paste = pasted(field.value.slice(0, field.selectionStart), event.clipboardData?.getData(
            'text/plain') ?? '', field.value.slice(field.selectionEnd), page.atThePause());
        if (paste !== null) {
            event.preventDefault();
            field.value = paste.value;
            field.setSelectionRange(paste.caret, paste.caret);
            paste.answers.forEach((answer) => page.session?.enter(answer));
        }
    });
    // Neither a click nor a tap on the Enter button takes the focus, so a
    // phone's keyboard stays up. (Tab still reaches it.)
    button.addEventListener('mousedown', (event) => event.preventDefault());
    return () => down;
}

// One run of the program, below the runs before, as a terminal keeps them;
// resolves to the words that say how it ended. Each piece of its dialogue
// (a live region) is an element that Chromium keeps in its accessibility
// tree, unlike a plain span, whose text it folds into the log's, reporting
// each addition as a new whole: so a screen reader hears only what is new.
// Screen readers do not announce a paragraph.
async function runOnce(program, dialogue, line, name, page) {
    const run = Object.assign(document.createElement('div'), { className: 'run' });
    const said = document.createElement('span');
    said.setAttribute('role', 'log');
    run.append(said);
    line.placeIn(run);
    dialogue.append(run);
    line.field.value = '';
    line.field.focus({ preventScroll: true });
    page.session = newSession({
        show(text) {
            const piece = document.createElement('span');
            piece.setAttribute('role', 'paragraph');
            piece.textContent = text;
            said.append(piece);
            line.askLayout();
        },
        prompt(prompt) {
            page.prompt = prompt;
            name.prompt(prompt);
            page.keyFromField();
        },
    });
    try {
        const status = await runWasi(await program, page.session);
        return ENDINGS[status] ?? `fedtax has ended (exit status ${status}).`;
    } catch (error) {
        return `fedtax has stopped: ${error}`;
    } finally {
        page.session.flush();
        line.form.remove();
        page.session = page.prompt = null;
        name.reset();
    }
}

// Compiles the program once, then runs it; after each run, the words that
// say how it ended are the description of the button that runs it again,
// which takes the keyboard, so that a screen reader speaks them with it.
async function startPage() {
    const dialogue = document.getElementById('dialogue');
    const again = document.getElementById('again');
    const program = compileProgram();
    const line = newAnswerLine();
    const name = newFieldName(line.field);
    const page = {
        session: null,
        prompt: null, // what the field answers
        enter(text) {
            line.field.value = '';
            page.session?.enter(text);
        },
        atThePause: () => page.prompt?.begins === PAUSE,
        // At the pause, what the field holds is the key: typed before the
        // pause, or a phone keyboard's first character, also one composed.
        keyFromField() {
            if (page.atThePause() && line.field.value !== '') {
                page.enter(line.field.value);
            }
        },
    };
    const keyIsDown = listen(line, page);
    // A tap or a click on the dialogue gives the field the keyboard back,
    // unless it selected text, to copy.
    dialogue.addEventListener('click', () => {
        if (line.form.isConnected && document.getSelection().isCollapsed) {
            line.field.focus({ preventScroll: true });
        }
    });
    const offer = () => {
        if (!again.hidden) {
            again.focus({ preventScroll: true });
            keepInView(again);
        }
    };
    for (;;) {
        const words = await runOnce(program, dialogue, line, name, page);
        document.getElementById('how-it-ended')?.removeAttribute('id');
        dialogue.append(Object.assign(document.createElement('p'),
            { className: 'ended', id: 'how-it-ended', textContent: words }));
        again.hidden = false;
        // Not while the key that ended the program is still down: its
        // release would press the button.
        if (keyIsDown()) {
            document.addEventListener('keyup', offer, { once: true });
        } else {
            offer();
        }
        await new Promise((resolve) => again.addEventListener('click', resolve, { once: true }));
        again.hidden = true;
    }
}

startPage();
