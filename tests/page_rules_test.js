// The page's rules (web/rules.js) under Node.js, without a browser, a case a
// row: [what the case shows, the rule's answer, what it must be]. The
// browser test plays whole sessions; a rule's edge cases belong here.
//   node --test tests/page_rules_test.js
'use strict';
const assert = require('node:assert');
const test = require('node:test');
const rules = require('../web/rules.js');

const NUMBER = 'Enter your Social Security number without spaces or dashes (ex. 123456789) \n>> ';
const INCOME = 'Enter your taxable income (ex. 44197.36)\n>> ';
const QUESTION = 'Would you like to process another entry? (yes/no): ';
const income = rules.promptAt(INCOME);
const ctrl = (key, code) => ({ key, code, ctrlKey: true });
// What a key sends at the pause.
const sent = (key) => rules.keyDoes({ key }, true, '')?.hands ?? null;

// What the program reads after writing `wrote`, `entered` being entered (a
// Ctrl-D piece without its line end), until a read would wait; each read
// takes at most 4 bytes. Then the prompts that the session told of, and
// what it showed.
function session(wrote, entered) {
    const told = [];
    const shown = [];
    const one = rules.newSession({
        prompt: (prompt) => told.push(prompt.name), show: (text) => shown.push(text),
    });
    one.output(1, new TextEncoder().encode(wrote));
    entered.forEach(one.enter);
    const decoder = new TextDecoder();
    let read = '';
    let bytes = one.input(4);
    for (; !(bytes instanceof Promise) && bytes.length > 0; bytes = one.input(4)) {
        read += decoder.decode(bytes, { stream: true });
    }
    one.flush();
    return [read, told, shown.join('')];
}

const ROWS = [
    // The prompt: the last line, or the one before the cue.
    ['the number prompt', rules.promptAt(`${INCOME}24650\nInvalid entry.\n${NUMBER}`)?.name,
        NUMBER.split(' \n')[0]],
    ['the income prompt', income?.decimalComma, true],
    ['the question', rules.promptAt(`\n${QUESTION}`)?.about, 'answer-question'],
    ['the pause', rules.promptAt(`no\n${rules.PAUSE}`)?.begins, rules.PAUSE],
    ['an empty line', rules.promptAt(`${QUESTION}yes\n\n`), null],
    ['part of a line, Ctrl-D', rules.promptAt(`${NUMBER}1234`), null],
    // A decimal comma: one or two digits after it, blanks around, a whole
    // line at the income prompt alone.
    ['a decimal comma', rules.meant('44197,36\n', income), '44197.36\n'],
    ['one digit after it', rules.meant('24650,5\n', income), '24650.5\n'],
    ['blanks around', rules.meant(' \t44197,36 \r\n', income), ' \t44197.36 \r\n'],
    ['three digits after it', rules.meant('1,500\n', income), '1,500\n'],
    ['none after it', rules.meant('44197,\n', income), '44197,\n'],
    ['none before it', rules.meant(',36\n', income), ',36\n'],
    ['two commas', rules.meant('1,197,36\n', income), '1,197,36\n'],
    ['a no-break space', rules.meant('\u00a044197,36\n', income), '\u00a044197,36\n'],
    ['at the number prompt', rules.meant('44197,36\n', rules.promptAt(NUMBER)), '44197,36\n'],
    // Full-width forms, U+FF01 to U+FF5E, and the ideographic space.
    ['full-width', rules.meant('１２３　ｙｅｓ\n', null), '123 yes\n'],
    ['the first and last', rules.meant('！～\n', null), '!~\n'],
    ['beyond them', rules.meant('\uff00\uff5f\n', null), '\uff00\uff5f\n'],
    ['a full-width comma', rules.meant('４４１９７，３６\n', income), '44197.36\n'],
    // What a line handed over with Ctrl-D means: the program reads it whole.
    ['pieces: 1,50 Ctrl-D 0', session(INCOME, ['1,50', '0\n'])[0], '1,500\n'],
    ['pieces: 44197 Ctrl-D ,36', session(INCOME, ['44197', ',36\n'])[0], '44197,36\n'],
    ['pieces, full-width', session(INCOME, ['２４', '６５０\n'])[0], '24650\n'],
    ['a whole line after pieces', session(INCOME, ['1', '2,5\n', '3,5\n'])[0], '12,5\n3.5\n'],
    ['the end of input', session(INCOME, ['12', ''])[0], '12'],
    // At the pause: the first byte is the key, and the line ends.
    ['the key', session(`no\n${rules.PAUSE}`, ['ｋｅｙ', 'x\n']).slice(0, 1), ['k']],
    ['the line ended', session(`no\n${rules.PAUSE}`, ['k'])[2], `no\n${rules.PAUSE}\n`],
    ['told of the prompt', session(NUMBER, ['1\n'])[1], [NUMBER.split(' \n')[0]]],
    // Ctrl-D hands over what the field holds: the key of the letter d, or,
    // where that is no Latin letter, the key in its place.
    ['Ctrl-D', rules.keyDoes(ctrl('d', 'KeyD'), false, '12'), { hands: '12' }],
    ['Ctrl-Shift-D', rules.keyDoes(ctrl('D', 'KeyD'), false, ''), { hands: '' }],
    ['Ctrl-D, Cyrillic', rules.keyDoes(ctrl('в', 'KeyD'), false, '1'), { hands: '1' }],
    ['Ctrl-D, Greek, at the pause', rules.keyDoes(ctrl('δ', 'KeyD'), true, ''), { hands: '' }],
    ["Dvorak's e in D's place", rules.keyDoes(ctrl('e', 'KeyD'), false, '1'), null],
    ["Dvorak's d elsewhere", rules.keyDoes(ctrl('d', 'KeyH'), false, '1'), { hands: '1' }],
    ['Ctrl-Alt-D', rules.keyDoes({ ...ctrl('d', 'KeyD'), altKey: true }, false, '1'), null],
    ['Ctrl-D, composing', rules.keyDoes({ ...ctrl('d', 'KeyD'), isComposing: true }, false, '1'),
        { hands: null }],
    ['d', rules.keyDoes({ key: 'd', code: 'KeyD', ctrlKey: false }, false, '1'), null],
    // An input method's own Enter ends no line; a phone keyboard's does.
    ["an input method's Enter", rules.keyDoes({ key: 'Enter', keyCode: 229 }, true, 'x'),
        { hands: null }],
    ["a phone's Enter, composing",
        rules.keyDoes({ key: 'Enter', keyCode: 13, isComposing: true }, false, 'x'), null],
    // The key at the pause, as a terminal sends it; not at a prompt.
    ['Enter, Backspace', ['Enter', 'Backspace'].map(sent), ['\r', '\x7f']],
    ['arrows, F5, Escape', ['ArrowUp', 'F5', 'Escape'].map(sent), ['\x1b', '\x1b', '\x1b']],
    ['a letter, an emoji', ['é', '😀'].map(sent), ['é', '😀']],
    ['Shift, Tab', ['Shift', 'Tab', 'Unidentified'].map(sent), [null, null, null]],
    ['Ctrl-C', rules.keyDoes(ctrl('c', 'KeyC'), true, ''), null],
    ['composing', rules.keyDoes({ key: 'k', isComposing: true }, true, ''), null],
    ['at a prompt', rules.keyDoes({ key: 'k' }, false, ''), null],
    // A paste: its whole lines are answers, the rest stays in the field.
    ['a line', rules.pasted('12', '345', '6', false), null],
    ['lines', rules.pasted('1', '23\r\n45\r6\n78', '9', false),
        { answers: ['123\n', '45\n', '6\n'], value: '789', caret: 2 }],
    ['at the pause', rules.pasted('a', 'b', 'c', true), { answers: ['abc'], value: '', caret: 0 }],
];

for (const [what, got, expected] of ROWS) {
    test(what, () => assert.deepStrictEqual(got, expected));
}
