"""The three browser engines that the page's test plays it in, each behind
the same few methods (see Selenium): Chromium's (Blink) and Safari's
(WebKit, as WebKitGTK, in an X server of its own) through selenium's
WebDriver, and Firefox's (Gecko) through its own WebDriver BiDi server,
which firefox_bidi.py speaks to.

    browser = start("chromium" | "webkit" | "firefox", phone=False)

Each needs Debian's packages, for the system's own Python: Chromium
chromium, chromium-driver and python3-selenium; WebKit webkit2gtk-driver,
xvfb, xauth and python3-selenium; Gecko firefox-esr and python3-websockets.
A missing one raises Missing, which names the package.
"""
import glob
import os
import socket
import subprocess
import tempfile
import time

from harness import Failure, Missing, need

TIMEOUT = 20
COMPUTER = (1280, 900)
# A phone's screen, in CSS pixels, at its pixel ratio.
PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True}
# Where Debian puts it: under the processor's own folder of /usr/lib.
MINIBROWSER = "/usr/lib/*/webkit2gtk-4.1/MiniBrowser"
# Keys as WebDriver names them.
CONTROL, NULL = "\ue009", "\ue000"
# Pastes arguments[0] into the focused element, as the browser does.
SYNTHETIC_PASTE = (
    "const data = new DataTransfer(); data.setData('text/plain', arguments[0]);"
    "document.activeElement.dispatchEvent(new ClipboardEvent("
    "'paste', {clipboardData: data, bubbles: true, cancelable: true}));")


def check(engine):
    """Raises Missing for the first thing this machine lacks for `engine`."""
    for needed in NEEDS[engine]:
        needed()


def missing(engine):
    """What this machine lacks for `engine`, one thing a line ('' if none)."""
    lacking = []
    for needed in NEEDS[engine]:
        try:
            needed()
        except Missing as lack:
            lacking.append(str(lack))
    return "\n".join(lacking)


def module(name, package):
    def check():
        try:
            __import__(name)
        except ImportError:
            raise Missing(f"{name} (Debian package {package})") from None
    return check


def tool(name):
    return lambda: need(name)


def chromium_binary():
    # Debian's /usr/bin/chromium is a wrapper that may fail where the
    # program itself runs.
    binary = "/usr/lib/chromium/chromium"
    return binary if os.path.exists(binary) else need("chromium")


def minibrowser():
    found = glob.glob(MINIBROWSER)
    if not found:
        raise Missing(f"{MINIBROWSER} (Debian package libwebkit2gtk-4.1-0)")
    return found[0]


NEEDS = {
    "chromium": [module("selenium", "python3-selenium"), chromium_binary, tool("chromedriver")],
    "webkit": [module("selenium", "python3-selenium"), tool("WebKitWebDriver"), minibrowser,
               tool("xvfb-run"), tool("xauth")],
    "firefox": [module("websockets", "python3-websockets"), tool("firefox-esr")],
}


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Selenium:
    """Chromium or WebKit, through selenium's WebDriver. What the test asks
    of a browser, which Firefox also answers: the page at `url` (get), a
    script's result (script, a function's body that may return a promise),
    keys typed into the focused element (keys, in WebDriver's names,
    modifiers held until NULL or the end), a paste into it, the console's
    errors and warnings so far (problems; None where the WebDriver keeps no
    console log), a screenshot, and quit."""

    def get(self, url):
        self.driver.get(url)

    def script(self, body, *arguments):
        return self.driver.execute_script(body, *arguments)

    def keys(self, keys):
        self.driver.switch_to.active_element.send_keys(keys)

    def paste(self, text):
        self.script(SYNTHETIC_PASTE, text)

    def problems(self):
        return None  # not kept

    def screenshot(self, path):
        self.driver.save_screenshot(path)


class Chromium(Selenium):
    """Headless Chromium under chromedriver, with no connection of its own
    (the machine may have no network) and the page's console kept. As a
    phone: its screen's size and pixel ratio, and touch."""
    def __init__(self, phone=False):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = chromium_binary()
        self.profile = tempfile.TemporaryDirectory(prefix="fedtax-chromium-")
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--disable-quic", "--window-size=%d,%d" % COMPUTER,
                     f"--user-data-dir={self.profile.name}"):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(need("chromedriver")), options=options)
        if phone:
            self.cdp("Emulation.setDeviceMetricsOverride", PHONE)
            self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def cdp(self, command, parameters=None):
        return self.driver.execute_cdp_cmd(command, parameters or {})

    def width(self, width):
        """The phone's screen, `width` CSS pixels wide."""
        self.cdp("Emulation.setDeviceMetricsOverride", {**PHONE, "width": width})

    def tap(self, element):
        from selenium.webdriver.common.actions import interaction
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        from selenium.webdriver.common.actions.pointer_input import PointerInput
        finger = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, "finger"))
        finger.pointer_action.move_to(element).pointer_down().pointer_up()
        finger.perform()

    def problems(self):
        return [entry["message"] for entry in self.driver.get_log("browser")
                if entry["level"] in ("SEVERE", "WARNING")]

    def quit(self):
        self.driver.quit()
        self.profile.cleanup()


class WebKit(Selenium):
    """WebKitGTK's MiniBrowser under WebKitWebDriver, in an X server of its
    own (xvfb-run). Its WebDriver keeps no console log."""

    def __init__(self):
        from selenium import webdriver
        from selenium.webdriver.remote.remote_connection import RemoteConnection
        port = free_port()
        self.server = subprocess.Popen(
            [need("xvfb-run"), "-a", "-s", "-screen 0 %dx%dx24" % COMPUTER,
             need("WebKitWebDriver"), f"--port={port}"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        deadline = time.monotonic() + TIMEOUT
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), 0.1).close()
                break
            except OSError:
                if time.monotonic() > deadline or self.server.poll() is not None:
                    self.quit()
                    raise Failure("WebKitWebDriver did not start") from None
                time.sleep(0.05)
        options = webdriver.WebKitGTKOptions()
        options.binary_location = minibrowser()
        options.add_argument("--automation")
        # selenium 4.8 would send a platformName that no WebKitGTK matches.
        options.set_capability("platform", None)
        # Without a display the session never starts: fail instead of hanging.
        RemoteConnection.set_timeout(TIMEOUT * 3)
        try:
            self.driver = webdriver.Remote(command_executor=f"http://127.0.0.1:{port}",
                                           options=options)
        except Exception:
            self.quit()
            raise
        self.driver.set_window_size(*COMPUTER)

    def quit(self):
        if getattr(self, "driver", None) is not None:
            self.driver.quit()
        os.killpg(self.server.pid, 15)
        self.server.wait()


class Firefox:
    """Headless Firefox, through its own WebDriver BiDi server, in a tab
    that it creates and activates (its first tab never has focus). Gecko
    gives a synthetic paste event no data, so a paste goes through the
    clipboard and Ctrl-V, as a person's does."""

    def __init__(self):
        from firefox_bidi import FirefoxBiDi
        self.bidi = FirefoxBiDi(need("firefox-esr"), COMPUTER)

    def get(self, url):
        self.bidi.navigate(url)

    def script(self, body, *arguments):
        return self.bidi.call(body, arguments)

    def keys(self, keys):
        self.bidi.keys(keys)

    def paste(self, text):
        self.bidi.call("return navigator.clipboard.writeText(arguments[0])", [text])
        self.bidi.keys(CONTROL + "v" + NULL)

    def problems(self):
        return self.bidi.problems()

    def screenshot(self, path):
        self.bidi.screenshot(path)

    def quit(self):
        self.bidi.quit()


def start(engine, phone=False):
    check(engine)
    if engine == "chromium":
        return Chromium(phone)
    return WebKit() if engine == "webkit" else Firefox()

