#!/usr/bin/env python3
"""Plays fedtax.html in headless Chromium as a person does, the sessions of
SESSIONS one step at a time: opened from disk and from a plain static
server, it types answers (one corrected with Backspace, one rejected),
pastes a whole session, presses the pause's key and Ctrl-D, moves on with
Tab and runs the program again, and taps the terminal at a phone's size.
Each step it reads the terminal's rows and the status the page shows. It
also checks that the page requests nothing and that axe-core finds no
serious or critical WCAG 2 A or AA violation.

    browser_test.py PAGE NODE_MODULES [-- TEST...]

NODE_MODULES is where npm put axe-core. It needs Debian's chromium,
chromium-driver and python3-selenium, for the system's own Python.
"""
import functools
import http.server
import os
import sys
import tempfile
import threading
import time
import unittest

from harness import INCOME_PROMPT, NUMBER_PROMPT, PAUSE, QUESTION, SKIPPED, Failure, Missing, need

TIMEOUT = 10
# The command line's PAGE and NODE_MODULES.
PAGE = NODE_MODULES = ""
# What the screen shows of the program's texts: a row's trailing blanks
# are not seen.
NUMBER, INCOME, ASK, KEY = (text.decode().rstrip() for text in
                            (NUMBER_PROMPT, INCOME_PROMPT, QUESTION, PAUSE))
ASK += " "
REPORT = ["SSN:         123456789", "Income:      $24650.00", "Federal Tax: $3697.50", ""]
PHONE = {"width": 390, "height": 844, "pixelRatio": 3.0, "touch": True}
# Keys as selenium sends them.
BACKSPACE, CONTROL, NULL = "\ue003", "\ue009", "\ue000"
CTRL_D = CONTROL + "d" + NULL
PROMPTED = [NUMBER, ">>"]
# Pastes arguments[0] into the terminal, as the browser does.
PASTE = ("const data = new DataTransfer(); data.setData('text/plain', arguments[0]);"
         "document.querySelector('.xterm-helper-textarea').dispatchEvent(new ClipboardEvent("
         "'paste', {clipboardData: data, bubbles: true, cancelable: true}));")

# Sessions as a person plays them, one step at a time: what is typed (or,
# after "paste:", pasted) once the screen shows the step before, and the
# rows the screen then shows (None: as they were); the last step ends the
# program, with the status that the page then shows.
SESSIONS = {
    # A slip put right with Backspace, an income refused, the pause's key,
    # which is not echoed.
    "typed": ([("123456780" + BACKSPACE + "9", [NUMBER, ">> 123456789"]),
               ("\n", [NUMBER, ">> 123456789", INCOME, ">>"]),
               ("12x\n24650\nno\n", [NUMBER, ">> 123456789", INCOME, ">> 12x",
                                     "Invalid entry.", INCOME, ">> 24650"] + REPORT +
                [ASK + "no", KEY]),
               ("q", None)], 0),
    # Each line of a paste after its own prompt, and the pause's key from
    # it; a line of 80 characters on one row, as every prompt fits.
    "pasted": ([("paste:" + "1" * 77 + "\n123456789\n24650\nno\nqrs",
                 [NUMBER, ">> " + "1" * 77, "Invalid entry.", NUMBER, ">> 123456789", INCOME,
                  ">> 24650"] + REPORT + [ASK + "no", KEY])], 0),
    # Within a line, Ctrl-D hands over what is typed so far, and the line
    # goes on; at its start it ends the input.
    "ctrl_d": ([("1234" + CTRL_D + "56789\n", [NUMBER, ">> 123456789", INCOME, ">>"]),
                (CTRL_D, None)], 1),
}


def chromium(phone=False):
    """Headless Chromium under chromedriver, with no connection of its own
    (the machine may have no network) and the page's console kept."""
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        raise Missing("selenium (Debian package python3-selenium)") from None
    options = webdriver.ChromeOptions()
    # A profile of its own, removed when the driver is gone.
    profile = tempfile.TemporaryDirectory(prefix="fedtax-chromium-")
    # Debian's /usr/bin/chromium is a wrapper that may fail where the
    # program itself runs.
    binary = "/usr/lib/chromium/chromium"
    options.binary_location = binary if os.path.exists(binary) else need("chromium")
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-quic", "--window-size=1280,900",
                 f"--user-data-dir={profile.name}"):
        options.add_argument(flag)
    if phone:
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": PHONE})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(need("chromedriver")), options=options)
    driver.profile = profile
    return driver


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


class Browser(unittest.TestCase):
    phone = False

    @classmethod
    def setUpClass(cls):
        cls.driver = chromium(cls.phone)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()

    def open(self, url=None):
        self.driver.get(url or "file://" + PAGE)
        self.wait(lambda: self.shows(PROMPTED), "expected the first prompt")

    def screen(self):
        """The terminal's rows as they show, without the empty ones below."""
        rows = self.driver.execute_script(
            "return Array.from(document.querySelectorAll('.xterm-rows > div'),"
            " row => row.textContent)")
        rows = [row.replace("\xa0", " ").rstrip() for row in rows]
        while rows and rows[-1] == "":
            rows.pop()
        return rows

    def shows(self, rows):
        return self.screen() == rows

    def status(self):
        return self.driver.find_element("id", "status").text

    def wait(self, condition, what):
        deadline = time.monotonic() + TIMEOUT
        while not condition():
            if time.monotonic() > deadline:
                raise Failure(f"{what}; the terminal shows:\n" + "\n".join(self.screen()) +
                              f"\nand the status line: {self.status()!r}")
            time.sleep(0.02)

    def type(self, keys):
        if keys.startswith("paste:"):
            self.driver.execute_script(PASTE, keys[len("paste:"):])
        else:
            self.driver.switch_to.active_element.send_keys(keys)

    def play(self, name):
        """Plays one of SESSIONS on the page, whose program waits for its
        first answer; returns the rows that the program leaves."""
        steps, status = SESSIONS[name]
        rows = PROMPTED
        for number, (keys, after) in enumerate(steps, 1):
            self.assertEqual(self.status(), "", f"{name}: ended before {keys!r}")
            self.type(keys)
            rows = after or rows
            if number == len(steps):
                ended = f"[fedtax ended with status {status}]"
                self.wait(lambda: self.status() == ended, f"{name}: expected {ended!r}")
            self.wait(lambda: self.shows(rows), f"{name}: expected the terminal to show:\n" +
                      "\n".join(rows))
        return rows

    def requested_nothing(self):
        """The page loaded nothing beyond itself, and its console is clean:
        a request refused by its security policy would be logged there."""
        self.assertEqual(self.driver.execute_script(
            "return performance.getEntriesByType('resource').map(entry => entry.name)"), [])
        problems = [entry["message"] for entry in self.driver.get_log("browser")
                    if entry["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(problems, [])


class Desktop(Browser):

    def test_every_session_from_disk_run_again_by_keyboard(self):
        # After each session, the keyboard alone leaves the terminal (Tab)
        # and starts the program again (Enter).
        self.open()
        for name in SESSIONS:
            self.play(name)
            self.type("\t")
            self.assertEqual(self.driver.switch_to.active_element.text, "Run fedtax again")
            self.type("\n")
            self.wait(lambda: self.shows(PROMPTED) and self.status() == "",
                      f"after {name}, expected the program to start again")
        self.requested_nothing()

    def test_session_from_a_static_server(self):
        with StaticServer(os.path.dirname(PAGE)) as server:
            self.open(f"http://127.0.0.1:{server.server_address[1]}/{os.path.basename(PAGE)}")
            self.play("typed")
            self.assertEqual(server.asked, ["/" + os.path.basename(PAGE)])
        self.requested_nothing()

    def test_no_serious_accessibility_violation(self):
        self.open()
        self.play("pasted")
        with open(os.path.join(NODE_MODULES, "axe-core", "axe.min.js"), encoding="utf-8") as axe:
            self.driver.execute_script(axe.read())
        violations = self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "axe.run(document, {runOnly: {type: 'tag', values: ['wcag2a', 'wcag2aa',"
            " 'wcag21a', 'wcag21aa', 'wcag22aa']}}).then(result => done(result.violations.map("
            " v => `${v.impact}: ${v.id}: ${v.help}: ${v.nodes.map(n => n.target).join(', ')}`)));")
        self.assertEqual([v for v in violations if v.split(":")[0] in ("serious", "critical")],
                         [])
        # A screen reader reads the terminal's rows from its accessibility
        # tree, which xterm.js brings up to date a little after the screen.
        self.wait(lambda: KEY in self.driver.execute_script(
            "return document.querySelector('.xterm-accessibility-tree')?.textContent ?? ''"),
            "expected the rows in the terminal's accessibility tree")


class Phone(Browser):
    """A phone's narrow screen: the terminal wraps each long line onto the
    next rows, whole, so rows are compared as one text, blanks aside."""
    phone = True

    def shows(self, rows):
        return "".join(self.screen()).replace(" ", "") == "".join(rows).replace(" ", "")

    def test_tap_and_type_at_a_phone_size(self):
        from selenium.webdriver.common.actions import interaction
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        from selenium.webdriver.common.actions.pointer_input import PointerInput
        self.open()
        # The page fits the screen's width.
        self.assertLessEqual(self.driver.execute_script(
            "return document.documentElement.scrollWidth"), PHONE["width"])
        self.driver.execute_script("document.activeElement.blur()")
        finger = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, "finger"))
        finger.pointer_action.move_to(self.driver.find_element("id", "terminal"))
        finger.pointer_action.pointer_down().pointer_up()
        finger.perform()
        self.wait(lambda: "xterm-helper-textarea" in
                  self.driver.switch_to.active_element.get_attribute("class"),
                  "expected a tap on the terminal to give it the keyboard")
        rows = self.play("typed")
        self.assertGreater(len(self.screen()), len(rows), "expected long lines to wrap")


if __name__ == "__main__":
    WORDS = sys.argv[1:sys.argv.index("--") if "--" in sys.argv else len(sys.argv)]
    TESTS = sys.argv[len(WORDS) + 2:]
    PAGE, NODE_MODULES = (os.path.abspath(word) for word in WORDS[:2])
    try:
        chromium().quit()
    except Missing as missing:
        print(f"skipped: needs {missing}")
        sys.exit(SKIPPED)
    unittest.main(argv=[sys.argv[0], "-v"] + (TESTS or ["Desktop", "Phone"]))
