#!/usr/bin/env python3
"""Plays fedtax.html in headless Chromium as a person does: opened from disk
and from a plain static server, it types answers (one corrected with
Backspace, one rejected), pastes a whole session, presses the pause's key
and Ctrl-D, moves on with Tab, and taps the terminal at a phone's size.
Each time it reads the terminal's rows and the status the page shows. It
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
        self.wait_for_screen([NUMBER, ">>"])

    def screen(self):
        """The terminal's rows as they show, without the empty ones below."""
        rows = self.driver.execute_script(
            "return Array.from(document.querySelectorAll('.xterm-rows > div'),"
            " row => row.textContent)")
        rows = [row.replace("\xa0", " ").rstrip() for row in rows]
        while rows and rows[-1] == "":
            rows.pop()
        return rows

    def status(self):
        return self.driver.find_element("id", "status").text

    def wait(self, condition, what):
        deadline = time.monotonic() + TIMEOUT
        while not condition():
            if time.monotonic() > deadline:
                raise Failure(f"{what}; the terminal shows:\n" + "\n".join(self.screen()) +
                              f"\nand the status line: {self.status()!r}")
            time.sleep(0.02)

    def wait_for_screen(self, rows):
        self.wait(lambda: self.screen() == rows,
                  "expected the terminal to show:\n" + "\n".join(rows))

    def wait_for_status(self, status):
        self.wait(lambda: self.status() == status, f"expected the status {status!r}")

    def type(self, *keys):
        self.driver.switch_to.active_element.send_keys(*keys)

    def control(self, key):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys(key).key_up(
            Keys.CONTROL).perform()

    def paste(self, text):
        self.driver.execute_script(
            "const data = new DataTransfer(); data.setData('text/plain', arguments[0]);"
            "document.querySelector('.xterm-helper-textarea').dispatchEvent(new ClipboardEvent("
            "'paste', {clipboardData: data, bubbles: true, cancelable: true}));", text)

    def requested_nothing(self):
        """The page loaded nothing beyond itself, and its console is clean:
        a request refused by its security policy would be logged there."""
        self.assertEqual(self.driver.execute_script(
            "return performance.getEntriesByType('resource').map(entry => entry.name)"), [])
        problems = [entry["message"] for entry in self.driver.get_log("browser")
                    if entry["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(problems, [])

    def play_session(self):
        """One entry typed as a person types it: a slip put right with
        Backspace, an income refused, the pause's key."""
        from selenium.webdriver.common.keys import Keys
        self.type("123456780", Keys.BACKSPACE, "9")
        self.wait_for_screen([NUMBER, ">> 123456789"])
        self.type(Keys.ENTER)
        self.wait_for_screen([NUMBER, ">> 123456789", INCOME, ">>"])
        self.type("12x", Keys.ENTER, "24650", Keys.ENTER, "no", Keys.ENTER)
        session = [NUMBER, ">> 123456789", INCOME, ">> 12x", "Invalid entry.", INCOME,
                   ">> 24650"] + REPORT + [ASK + "no", KEY]
        self.wait_for_screen(session)
        self.assertEqual(self.status(), "")
        self.type("q")
        self.wait_for_status("[fedtax ended with status 0]")
        self.assertEqual(self.screen(), session)


class Desktop(Browser):

    def test_session_from_disk(self):
        self.open()
        self.play_session()
        self.requested_nothing()

    def test_session_from_a_static_server(self):
        with StaticServer(os.path.dirname(PAGE)) as server:
            self.open(f"http://127.0.0.1:{server.server_address[1]}/{os.path.basename(PAGE)}")
            self.play_session()
            self.assertEqual(server.asked, ["/" + os.path.basename(PAGE)])
        self.requested_nothing()

    def test_paste_is_answered_line_by_line(self):
        # A line of 80 characters shows on one row: the terminal is wide
        # enough for every prompt.
        self.open()
        self.paste("1" * 77 + "\n123456789\n24650\nno\nqrs")
        self.wait_for_status("[fedtax ended with status 0]")
        self.assertEqual(self.screen(), [NUMBER, ">> " + "1" * 77, "Invalid entry.", NUMBER,
                                         ">> 123456789", INCOME, ">> 24650"] + REPORT +
                         [ASK + "no", KEY])

    def test_ctrl_d_ends_the_input_then_tab_and_enter_run_again(self):
        from selenium.webdriver.common.keys import Keys
        self.open()
        # Within a line, Ctrl-D hands over what is typed so far, and the
        # line goes on; at its start it ends the input.
        self.type("1234")
        self.control("d")
        self.type("56789", Keys.ENTER)
        self.wait_for_screen([NUMBER, ">> 123456789", INCOME, ">>"])
        self.control("d")
        self.wait_for_status("[fedtax ended with status 1]")
        self.assertEqual(self.screen(), [NUMBER, ">> 123456789", INCOME, ">>"])
        # The keyboard alone leaves the terminal and starts the program again.
        self.type(Keys.TAB)
        self.assertEqual(self.driver.switch_to.active_element.text, "Run fedtax again")
        self.type(Keys.ENTER)
        self.wait_for_screen([NUMBER, ">>"])
        self.assertEqual(self.status(), "")
        self.play_session()

    def test_no_serious_accessibility_violation(self):
        self.open()
        self.paste("123456789\n24650\nno\n ")
        self.wait_for_status("[fedtax ended with status 0]")
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
    phone = True

    def test_tap_and_type_at_a_phone_size(self):
        from selenium.webdriver.common.actions import interaction
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        from selenium.webdriver.common.actions.pointer_input import PointerInput
        from selenium.webdriver.common.keys import Keys
        self.driver.get("file://" + PAGE)
        terminal = self.driver.find_element("id", "terminal")
        self.wait(lambda: NUMBER.split()[0] in "".join(self.screen()), "expected the prompt")
        # The page fits the screen's width: the terminal wraps long lines.
        self.assertLessEqual(self.driver.execute_script(
            "return document.documentElement.scrollWidth"), PHONE["width"])
        self.driver.execute_script("document.activeElement.blur()")
        finger = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, "finger"))
        finger.pointer_action.move_to(terminal).pointer_down().pointer_up()
        finger.perform()
        self.wait(lambda: "xterm-helper-textarea" in
                  self.driver.switch_to.active_element.get_attribute("class"),
                  "expected a tap on the terminal to give it the keyboard")
        self.type("123456789", Keys.ENTER, "24650", Keys.ENTER, "no", Keys.ENTER)
        self.wait(lambda: self.screen()[-1:] == [KEY], "expected the pause")
        self.type("q")
        self.wait_for_status("[fedtax ended with status 0]")
        # Each long line wraps onto the next rows, whole.
        whole = [NUMBER, ">> 123456789", INCOME, ">> 24650"] + REPORT + [ASK + "no", KEY]
        self.assertGreater(len(self.screen()), len(whole))
        self.assertEqual("".join(self.screen()).replace(" ", ""),
                         "".join(whole).replace(" ", ""))


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
