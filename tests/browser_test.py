#!/usr/bin/env python3
"""Plays fedtax.html as people do, in one browser engine, the sessions of
SESSIONS one step at a time: opened from disk and from a plain static
server, it types answers (one corrected with Backspace, one refused),
pastes lines, presses Ctrl-D and the pause's key, copies from the dialogue
with Ctrl-C and runs the program again below the last run. After each step
it reads the dialogue, the program's words and the answers it read, as
text, and what the page says has failed: an error or a rejected promise
that nothing caught, or a request that its security policy refused. It
also checks that the page requests nothing, that the console has no error
or warning (in Chromium and Firefox: WebKit's WebDriver keeps no console
log) and that axe-core finds no serious or critical WCAG 2 A or AA
violation. In Chromium it also plays the page at a phone's size, with touch
and with the keys and edits that Android's on-screen keyboard sends.

    browser_test.py ENGINE PAGE NODE_MODULES [-- TEST...]
    browser_test.py --missing ENGINE

ENGINE is chromium, webkit or firefox; browsers.py says what each needs.
NODE_MODULES is where npm put axe-core. --missing prints what this machine
lacks for ENGINE, one thing a line.
"""
import functools
import http.server
import os
import sys
import threading
import time
import unittest

import browsers
from harness import (CUE, INCOME_PROMPT, INVALID, NUMBER_PROMPT, PAUSE, QUESTION, SKIPPED,
                     Failure, Missing)

TIMEOUT = 10
# The command line's ENGINE, PAGE and NODE_MODULES.
ENGINE = PAGE = NODE_MODULES = ""

# The dialogue's texts, as the page shows them.
NUMBER = (NUMBER_PROMPT + b"\n" + CUE).decode()
INCOME = (INCOME_PROMPT + b"\n" + CUE).decode()
ASK, KEY, REFUSED = QUESTION.decode(), PAUSE.decode(), INVALID.decode() + "\n"


def report(ssn, income, tax):
    return f"SSN:         {ssn}\nIncome:      ${income}\nFederal Tax: ${tax}\n\n"


REPORT = report("123456789", "24650.00", "3697.50")
ENTRY = "123456789\n" + INCOME
# Keys as WebDriver names them.
BACKSPACE, ENTER, CONTROL, NULL = "\ue003", "\ue007", "\ue009", "\ue000"
CTRL_D = CONTROL + "d" + NULL


def digits(text):
    """A number typed on a phone's keyboard for digits: each digit is
    committed as it is typed."""
    return [("commit", digit) for digit in text]


def composed(word):
    """A word as a phone's keyboard composes it, letter by letter."""
    return [("compose", word[:length]) for length in range(1, len(word) + 1)]


# Sessions as people play them, one step at a time: what they do once the
# dialogue shows the step before, and what the dialogue then shows in
# addition to it; the last step ends the program, with the exit status
# given. What they do is keys typed, text pasted, or (the rows whose names
# begin with "phone", in Chromium at a phone's size) a tap on an element,
# or what an Android keyboard sends: a key with keyCode 229 around each
# edit, words composed and committed, the caret moved, a suggestion tapped;
# or a key's events as a keyboard layout gives them (keydown, keyup), with
# their properties in JSON.
SESSIONS = {
    # A slip put right with Backspace, an income refused, the pause's key,
    # which is not echoed.
    "typed": ([("keys", "123456780" + BACKSPACE + "9", ""),
               ("keys", ENTER, "123456789\n" + INCOME),
               ("keys", "12x" + ENTER + "24650" + ENTER + "no" + ENTER,
                "12x\n" + REFUSED + INCOME + "24650\n" + REPORT + ASK + "no\n" + KEY),
               ("keys", "q", "\n")], 0),
    # Each line of a paste after its own prompt, and the pause's key from
    # its rest; an answer of 80 characters with its cue.
    "pasted": ([("paste", "1" * 77 + "\n123456789\n24650\nno\nqrs",
                 "1" * 77 + "\n" + REFUSED + NUMBER + "123456789\n" + INCOME + "24650\n" +
                 REPORT + ASK + "no\n" + KEY + "\n")], 0),
    # What follows a paste's last line end stays in the field, and typing
    # goes on there.
    "pasted_then_typed": ([("paste", "123456789\n246", "123456789\n" + INCOME),
                           ("keys", "50" + ENTER, "24650\n" + REPORT + ASK),
                           ("keys", "yes" + ENTER, "yes\n" + NUMBER),
                           ("keys", CTRL_D, "\n")], 1),
    # Within a line, Ctrl-D hands over what is typed so far, and the line
    # goes on; in an empty field it ends the input.
    "ctrl_d": ([("keys", "1234" + CTRL_D, "1234"),
                ("keys", "56789" + ENTER, "56789\n" + INCOME),
                ("keys", CTRL_D, "\n")], 1),
    # Ctrl-D with a Cyrillic layout, whose key in D's place types в.
    "ctrl_d_in_a_cyrillic_layout": ([("key", '{"key": "в", "code": "KeyD", "ctrlKey": true}',
                                      "\n")], 1),
    # Digits committed one by one; a word composed and committed; Enter
    # while a word is still composed, which commits it; the pause's key a
    # letter still composed.
    "phone_typed": ([("android", digits("123456789") + [("enter",)], "123456789\n" + INCOME),
                     ("android", composed("24650") + [("commit", "24650"), ("enter",)],
                      "24650\n" + REPORT + ASK),
                     ("android", composed("no") + [("enter",)], "no\n" + KEY),
                     ("android", [("compose", "k")], "\n")], 0),
    # A Backspace within a composition; the caret moved back and a digit
    # put in between; a word and its blank deleted with Backspace, and a
    # suggestion that replaces a word still composed.
    "phone_corrected": ([("android", composed("1234567890") + [("compose", "123456789"),
                                                                ("commit", "123456789"),
                                                                ("enter",)],
                          "123456789\n" + INCOME),
                         ("android", digits("2450") + [("caret", 2), ("commit", "6"), ("enter",)],
                          "24650\n" + REPORT + ASK),
                         ("android", [("commit", "yes ")] + [("backspace",)] * 4 +
                          composed("mo") + [("commit", "no"), ("enter",)], "no\n" + KEY),
                         ("android", [("commit", "q")], "\n")], 0),
    # Three entries pasted, longer than the screen, then a tap on the
    # dialogue that gives the field the keyboard back, and the number and
    # the income ended with the form's Enter button, tapped, as an iPhone's
    # keypads for digits need; at the pause the button is a key.
    "phone_tapped": ([("paste", "123456789\n24650\nyes\n" * 3,
                       ("123456789\n" + INCOME + "24650\n" + REPORT + ASK + "yes\n" + NUMBER) * 3),
                      ("tap", "dialogue", ""),
                      ("keys", "123456789", ""),
                      ("tap", "enter", "123456789\n" + INCOME),
                      ("keys", "24650", ""),
                      ("tap", "enter", "24650\n" + REPORT + ASK),
                      ("keys", "no" + ENTER, "no\n" + KEY),
                      ("tap", "enter", "\n")], 0),
    # A decimal comma (an iPhone's decimal keypad in much of the world has
    # no point) is read as the point; any other comma goes as typed, for
    # the program to refuse.
    "phone_decimal_comma": ([("keys", ENTER.join(["123456789", "44,197", "44197,36", ""]),
                              ENTRY + "44,197\n" + REFUSED + INCOME + "44197.36\n" +
                              report("123456789", "44197.36", "9170.76") + ASK),
                             ("keys", ENTER.join(["yes", "123456789", "24650,5", "no", "k"]),
                              "yes\n" + NUMBER + ENTRY + "24650.5\n" +
                              report("123456789", "24650.50", "3697.64") + ASK + "no\n" + KEY +
                              "\n")], 0),
    # A CJK input method's full-width forms, at every prompt: its own Enter,
    # which confirms them (with keyCode 229, after the composition, as
    # Safari sends it), ends no line; a real one then does. An ideographic
    # space is a blank, which the question refuses.
    "phone_full_width": ([("android", [("commit", "１２３４５６７８９"), ("enter", 229), ("enter",)],
                           ENTRY),
                          ("android", composed("２４６５０") + [("commit", "２４６５０"), ("enter", 229),
                                                          ("enter",)], "24650\n" + REPORT + ASK),
                          ("android", [("commit", "ｎｏ\u3000"), ("enter",)], "no \n" + REFUSED + ASK),
                          ("android", [("commit", "ｎｏ"), ("enter", 229), ("enter",)],
                           "no\n" + KEY),
                          ("android", [("compose", "ｋ")], "\n")], 0),
}
DESKTOP = [name for name in SESSIONS if not name.startswith("phone")]

# The dialogue's runs, each its text (without the field's), and the words
# under each run that ended.
RUNS = "return Array.from(document.querySelectorAll('#dialogue .run'), run => run.textContent)"
FAILED = "return document.getElementById('failed').textContent"
# Counts the times that the field loses the keyboard (window.blurs).
COUNT_BLURS = ("window.blurs = 0; document.getElementById('answer').addEventListener("
               "'blur', () => { window.blurs += 1; })")
ENDINGS = "return Array.from(document.querySelectorAll('#dialogue .ended'), end => end.textContent)"
# How many rows of the dialogue the first occurrence of arguments[0] in its
# text takes, as the page shows them, and the rows that each of its words
# takes, by the word.
ROWS = """
const walker = document.createTreeWalker(document.getElementById('dialogue'), NodeFilter.SHOW_TEXT);
for (let node = walker.nextNode(); node !== null; node = walker.nextNode()) {
    const at = node.data.indexOf(arguments[0]);
    if (at < 0) continue;
    const rows = (from, length) => {
        const range = document.createRange();
        range.setStart(node, at + from);
        range.setEnd(node, at + from + length);
        return new Set(Array.from(range.getClientRects(), box => Math.round(box.top))).size;
    };
    const words = {};
    for (const word of arguments[0].matchAll(/\\S+/g)) {
        words[word[0]] = rows(word.index, word[0].length);
    }
    return [rows(0, arguments[0].length), words];
}
return null;
"""
# The answer's field, once the page has laid it out: its accessible name,
# the keyboard it asks a phone for, whether what describes it is the
# sentence that the page marks (not its list item, which a screen reader
# would speak with its bullet), whether it is inside a live region (whose
# new text a screen reader speaks: the field's own would be spoken at every
# key), and where it stands: "after" the dialogue's text, on the row where
# it ends, "below" that row, at the start of the next, or "elsewhere"; and
# the text of the log's last node if it is an element (null if bare text).
FIELD = """
return new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done))).then(() => {
    const field = document.getElementById('answer');
    const box = field.getBoundingClientRect();
    const range = document.createRange();
    const described = document.getElementById(field.getAttribute('aria-describedby'));
    const log = field.closest('.run').querySelector('[role=log]');
    range.selectNodeContents(log);
    const rows = range.getClientRects();
    const end = rows[rows.length - 1];
    const start = field.closest('.run').getBoundingClientRect().left;
    const place = Math.abs(box.top + box.bottom - end.top - end.bottom) < end.height &&
        box.left >= end.right - 1 ? 'after' :
        box.top >= end.bottom - 1 && box.top < end.bottom + end.height &&
        Math.abs(box.left - start) < 2 ? 'below' : 'elsewhere';
    return [field.getAttribute('aria-label'), field.inputMode,
            described?.matches('#answers .current') && getComputedStyle(described).display !==
            'list-item', field.closest('[aria-live], [role=log], [role=status], [role=alert]') !==
            null, place, log.lastChild instanceof Element ? log.lastChild.textContent : null];
});
"""
# How the dialogue ends at each prompt, with the field's name and keyboard,
# described by its sentence, and in no live region.
FIELDS = {NUMBER: [NUMBER_PROMPT.decode().strip(), "numeric", True, False],
          INCOME: [INCOME_PROMPT.decode(), "decimal", True, False],
          ASK: [ASK.strip(), "text", True, False], KEY: [KEY, "text", True, False]}


class StaticServer(http.server.ThreadingHTTPServer):
    """`python3 -m http.server` for the page's folder, on a free port of
    this machine, which notes every path asked of it."""

    def __init__(self, folder):
        self.asked = []
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *_):
                server.asked.append(self.path)
        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        threading.Thread(target=self.serve_forever, daemon=True).start()


class Page(unittest.TestCase):
    phone = False
    # Where the field may stand: at a computer's width, every prompt leaves
    # room for it on its own row.
    places = ("after",)

    @classmethod
    def setUpClass(cls):
        cls.browser = browsers.start(ENGINE, cls.phone)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()

    def script(self, body, *arguments):
        return self.browser.script(body, *arguments)

    def open(self, url=None):
        self.browser.get(url or "file://" + PAGE)
        self.wait(lambda: self.script(RUNS) == [NUMBER], "expected the first prompt")
        self.assertEqual(self.script(FAILED), "", "what the page says has failed")
        # The first prompt names the field as it is shown.
        self.assertEqual(self.script("return document.getElementById('answer').getAttribute("
                                     "'aria-label')"), FIELDS[NUMBER][0], "the field's name")
        self.assertEqual(self.focused(), "answer", "the element that has the keyboard")
        self.field_answers(NUMBER)
        self.script(COUNT_BLURS)

    def field_answers(self, shown, added=None):
        """At a prompt, the field is named by it (with its description, half
        a second after the output), asks for its keyboard, and stands after
        it; what the last step `added` ends with the log's last element, so
        that a screen reader is told of an addition, not of a new whole."""
        for ending, field in FIELDS.items():
            if shown.endswith(ending):
                self.wait(lambda: self.script("return document.getElementById('answer')"
                                              ".getAttribute('aria-label')") == field[0],
                          f"expected the field named {field[0]!r}")
                *named, place, last = self.script(FIELD)
                self.assertEqual(named, field, "the field's (name, keyboard, described by its "
                                 "sentence, in a live region)")
                self.assertIn(place, self.places, f"where the field stands at {ending!r}")
                self.assertTrue(last and (added or shown).endswith(last),
                                f"the log's last element, {last!r}, is not the end of "
                                f"{added or shown!r}")

    def fits(self, width):
        self.assertLessEqual(self.script("return document.documentElement.scrollWidth"), width,
                             "the page's width")

    def focused(self):
        return self.script("return document.activeElement.id")

    def wait(self, condition, what):
        deadline = time.monotonic() + TIMEOUT
        while not condition():
            if time.monotonic() > deadline:
                raise Failure(f"{what}; the dialogue's runs are:\n" +
                              "\n".join(map(repr, self.script(RUNS))) +
                              f"\nand the words after them: {self.script(ENDINGS)}")
            time.sleep(0.02)

    def do(self, action, what):
        if action == "keys":
            self.browser.keys(what)
        elif action == "paste":
            self.browser.paste(what)
        elif action == "tap":
            # The dialogue once the keyboard has closed; a button with it open.
            if what == "dialogue":
                self.script("document.activeElement.blur(); window.blurs = 0")
            self.browser.tap(self.browser.driver.find_element("id", what))
        elif action == "key":
            self.script("for (const type of ['keydown', 'keyup']) document.activeElement.dispatchEvent("
                        "new KeyboardEvent(type, {...JSON.parse(arguments[0]), bubbles: true,"
                        " cancelable: true}))", what)
        else:
            self.android(what)

    def android(self, edits):
        """Each edit as Chromium on Android delivers an on-screen keyboard's:
        a keydown with keyCode 229 (Unidentified), the edit of the field, a
        keyup 229; its Backspace and Enter as keys of their own, an Enter
        with keyCode 229 if given (an input method's own)."""
        cdp = self.browser.cdp

        def key(kind, key_code, name, **more):
            cdp("Input.dispatchKeyEvent", {"type": kind, "windowsVirtualKeyCode": key_code,
                                           "key": name, **more})
        for edit, *text in edits:
            if edit in ("compose", "commit"):
                key("rawKeyDown", 229, "Unidentified")
                if edit == "compose":
                    cdp("Input.imeSetComposition", {"text": text[0], "selectionStart": len(text[0]),
                                                    "selectionEnd": len(text[0])})
                else:
                    cdp("Input.insertText", {"text": text[0]})
                key("keyUp", 229, "Unidentified")
            elif edit == "caret":
                self.script("document.activeElement.setSelectionRange(arguments[0], arguments[0])",
                            text[0])
            else:
                name, key_code, typed = (("Enter", (text or [13])[0], "\r") if edit == "enter" else
                                         ("Backspace", 8, ""))
                key("rawKeyDown", key_code, name, code=name)
                if typed:
                    key("char", key_code, name, text=typed)
                key("keyUp", key_code, name, code=name)

    def play(self, name):
        """Plays one of SESSIONS in the page's last run, whose program waits
        for its first answer."""
        steps, status = SESSIONS[name]
        shown = NUMBER
        self.script("window.blurs = 0")
        runs = len(self.script(RUNS))
        for number, (action, what, added) in enumerate(steps, 1):
            self.assertEqual(len(self.script(ENDINGS)), runs - 1, f"{name}: ended before {what!r}")
            self.do(action, what)
            shown += added
            if number == len(steps):
                words = f"(exit status {status})"
                self.wait(lambda: len(self.script(ENDINGS)) == runs and
                          words in self.script(ENDINGS)[-1], f"{name}: expected {words}")
            self.wait(lambda: self.script(RUNS)[-1] == shown,
                      f"{name}: after {what!r}, expected the last run to be:\n{shown!r}")
            self.assertEqual(self.script(FAILED), "", f"{name}: after {what!r}, what failed")
            if number < len(steps):
                self.assertEqual(self.focused(), "answer", "the element that has the keyboard")
                self.assertEqual(self.script("return window.blurs"), 0,
                                 f"{name}: the times the field lost the keyboard at {what!r}")
                self.field_answers(shown, added)

    def run_again(self):
        """After the end, the button has the keyboard, and Enter runs the
        program again below the runs before, which stay as they were."""
        before = self.script(RUNS)
        self.assertEqual(self.focused(), "again", "the element that has the keyboard")
        self.assertEqual(self.script("return document.getElementById(document.getElementById("
                                     "'again').getAttribute('aria-describedby')).textContent"),
                         self.script(ENDINGS)[-1], "the button's description")
        self.browser.keys(ENTER)
        self.wait(lambda: self.script(RUNS) == before + [NUMBER], "expected a new run")
        self.assertEqual(self.focused(), "answer", "the element that has the keyboard")
        self.field_answers(NUMBER)

    def requested_nothing(self):
        """The page loaded nothing beyond itself, and the console is clean
        where the engine's WebDriver keeps it."""
        self.assertEqual(self.script(
            "return performance.getEntriesByType('resource').map(entry => entry.name)"), [])
        problems = self.browser.problems()
        if problems is None:
            print(f"{ENGINE}: the console is not checked: its WebDriver keeps no log")
        self.assertEqual(problems or [], [], "the console's errors and warnings")


class Desktop(Page):
    """At a computer's size, in each engine."""

    def test_every_session_from_disk_each_run_below_the_last(self):
        self.open()
        for name in DESKTOP:
            self.play(name)
            self.run_again()
        self.assertEqual(self.script(ROWS, "1" * 77)[0], 1, "the rows of an 80-character line")
        self.fits(self.script("return document.documentElement.clientWidth"))
        self.requested_nothing()

    def test_a_session_from_a_static_server(self):
        with StaticServer(os.path.dirname(PAGE)) as server:
            self.open(f"http://127.0.0.1:{server.server_address[1]}/{os.path.basename(PAGE)}")
            self.play("typed")
            self.assertEqual(server.asked, ["/" + os.path.basename(PAGE)], "the paths asked for")
        self.requested_nothing()

    def test_copy_from_the_dialogue_and_paste_as_an_answer(self):
        # Text selected in the dialogue, and a click there that leaves it
        # selected, to copy with Ctrl-C; the field's own Ctrl-V.
        self.open()
        self.play("typed")
        self.run_again()
        selected = self.script("""
            const node = document.querySelector('#dialogue .run').firstChild.firstChild.firstChild;
            const range = document.createRange();
            range.setStart(node, node.data.indexOf('123456789)'));
            range.setEnd(node, node.data.indexOf(')'));
            document.activeElement.blur();
            getSelection().removeAllRanges();
            getSelection().addRange(range);
            document.getElementById('dialogue').click();
            return [getSelection().toString(), document.activeElement.id];""")
        self.assertEqual(selected, ["123456789", ""], "(the selection, the focused element)")
        self.browser.keys(CONTROL + "c" + NULL)
        self.script("document.getElementById('dialogue').click(); getSelection().removeAllRanges();"
                    "document.getElementById('dialogue').click()")
        self.assertEqual(self.focused(), "answer", "the element that has the keyboard")
        self.browser.keys(CONTROL + "v" + NULL + ENTER)
        self.wait(lambda: self.script(RUNS)[-1] == NUMBER + "123456789\n" + INCOME,
                  "expected the copied number as the answer")

    def test_no_serious_accessibility_violation(self):
        # At a prompt, whose answer the field's description says; then at
        # the end, with the button.
        self.open()
        self.play("pasted")
        self.run_again()
        self.browser.keys("123456789" + ENTER)
        self.wait(lambda: self.script(RUNS)[-1] == NUMBER + "123456789\n" + INCOME,
                  "expected the income prompt")
        self.field_answers(NUMBER + "123456789\n" + INCOME)
        self.assertEqual(self.script(
            "const field = document.getElementById('answer');"
            "return [document.getElementById(field.getAttribute('aria-describedby')).textContent"
            "  .replace(/\\s+/g, ' '), field.closest('.run').firstChild.getAttribute('role')]"),
            ["The taxable income: dollars as digits with at most one decimal point, without a $"
             " or thousands commas; a decimal comma (44197,36) is taken as the point.", "log"])
        with open(os.path.join(NODE_MODULES, "axe-core", "axe.min.js"), encoding="utf-8") as axe:
            self.script(axe.read())
        for moment in ("at the income prompt", "at the end"):
            violations = self.script(
                "return axe.run(document, {runOnly: {type: 'tag', values: ['wcag2a', 'wcag2aa',"
                " 'wcag21a', 'wcag21aa', 'wcag22aa']}}).then(result => result.violations.map("
                " v => `${v.impact}: ${v.id}: ${v.help}: ${v.nodes.map(n => n.target).join(', ')}`))")
            self.assertEqual([v for v in violations if v.split(":")[0] in ("serious", "critical")],
                             [], moment)
            if len(self.script(ENDINGS)) == 1:
                self.browser.keys(CTRL_D)
                self.wait(lambda: len(self.script(ENDINGS)) == 2, "expected the end")


class Phone(Page):
    """A phone's screen, with touch, in Chromium: the dialogue wraps at
    blanks and fits, the field asks for the keyboard its prompt needs and
    stays in view, and what an on-screen keyboard sends is what the
    program reads."""
    phone = True
    # Where the rest of the row is too narrow, on the next.
    places = ("after", "below")

    def field_answers(self, shown, added=None):
        """The field, and the report before the question, are in view, above
        an on-screen keyboard; the Enter button is a finger's target."""
        super().field_answers(shown, added)
        self.assertGreaterEqual(min(self.script(
            "const box = document.getElementById('enter').getBoundingClientRect();"
            "return [box.width, box.height]")), 44, "the Enter button's width and height")
        self.wait(lambda: self.script(
            "const shown = box => box.top >= 0 && box.bottom <= visualViewport.height;"
            "const report = Array.from(document.querySelectorAll('.run')).pop().firstChild.childNodes;"
            "const node = Array.from(report).filter(n => n.textContent.includes('SSN:')).pop();"
            "const range = document.createRange(); if (node) range.selectNodeContents(node);"
            "return (arguments[0] === false || !node || shown(range.getBoundingClientRect())) &&"
            " shown(document.getElementById('answer').getBoundingClientRect())",
            shown.endswith(ASK)), "expected the field, and the last report, in view")

    def test_the_dialogue_fits_a_phone_and_wraps_at_blanks(self):
        prompt = NUMBER_PROMPT.decode()
        for width in (390, 320):
            self.browser.width(width)
            self.open()
            self.fits(width)
            self.assertLess(self.script(
                "return document.getElementById('dialogue').getBoundingClientRect().top"),
                browsers.PHONE["height"] / 2, "where the dialogue starts")
            rows, words = self.script(ROWS, prompt)
            self.assertGreater(rows, 1, "the rows of the number prompt")
            self.assertEqual({word: count for word, count in words.items() if count != 1}, {},
                             "the words that a line break splits")
            # The prompt's final blank makes no row of its own.
            self.assertEqual(self.script(ROWS, prompt.rstrip())[0], rows)
        self.browser.width(browsers.PHONE["width"])

    def test_an_on_screen_keyboard(self):
        self.open()
        for name in SESSIONS:
            if name.startswith("phone"):
                self.play(name)
                self.run_again()
        self.fits(browsers.PHONE["width"])


if __name__ == "__main__":
    if sys.argv[1] == "--missing":
        print(browsers.missing(sys.argv[2]))
        sys.exit(0)
    WORDS = sys.argv[1:sys.argv.index("--") if "--" in sys.argv else len(sys.argv)]
    TESTS = sys.argv[len(WORDS) + 2:]
    ENGINE = WORDS[0]
    PAGE, NODE_MODULES = (os.path.abspath(word) for word in WORDS[1:3])
    try:
        browsers.check(ENGINE)
        if not os.path.exists(os.path.join(NODE_MODULES, "axe-core", "axe.min.js")):
            raise Missing(f"axe-core in {NODE_MODULES} (npm ci in its folder)")
    except Missing as missing:
        print(f"skipped: needs {missing}")
        sys.exit(SKIPPED)
    unittest.main(argv=[sys.argv[0], "-v"] +
                  (TESTS or ["Desktop"] + (["Phone"] if ENGINE == "chromium" else [])))
