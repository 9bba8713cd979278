"""A small WebDriver BiDi client for Firefox, on Debian's python3-websockets:
what the page's test needs of a browser, and no more. Debian has no
geckodriver, and Firefox serves BiDi itself: started with
--remote-debugging-port=0, it prints the address it listens on.

    firefox = FirefoxBiDi(FIREFOX, (WIDTH, HEIGHT))
    firefox.navigate(URL); firefox.call(BODY, ARGUMENTS); firefox.keys(KEYS)
    firefox.problems(); firefox.screenshot(PATH); firefox.quit()
"""
import asyncio
import base64
import json
import os
import re
import subprocess
import tempfile
import threading

import websockets.client

from harness import Failure

TIMEOUT = 20
# WebDriver's modifier keys (Shift, Control, Alt, Meta), held until NULL.
MODIFIERS = {"\ue008", "\ue009", "\ue00a", "\ue03d"}
NULL = "\ue000"


def key_actions(keys):
    """The key actions that type `keys`, as WebDriver's Element Send Keys
    types them: each key pressed and released, a modifier held until NULL
    or the end."""
    actions, held = [], []
    for key in keys:
        if key in MODIFIERS:
            actions.append({"type": "keyDown", "value": key})
            held.append(key)
        elif key == NULL:
            actions += [{"type": "keyUp", "value": modifier} for modifier in reversed(held)]
            held = []
        else:
            actions += [{"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}]
    return actions + [{"type": "keyUp", "value": modifier} for modifier in reversed(held)]


def local_value(value):
    """A Python value as BiDi's script arguments carry it."""
    if isinstance(value, str):
        return {"type": "string", "value": value}
    return {"type": "number", "value": value}


def python_value(remote):
    """A script's result, as BiDi serialises it, as a Python value."""
    kind, value = remote["type"], remote.get("value")
    if kind in ("undefined", "null"):
        return None
    if kind in ("array", "set"):
        return [python_value(item) for item in value]
    if kind == "object":
        return {key if isinstance(key, str) else python_value(key): python_value(item)
                for key, item in value}
    if kind in ("string", "number", "boolean"):
        return value
    return kind  # a node, a function, a window: its kind only


class FirefoxBiDi:
    """Headless Firefox in a profile of its own, removed at the end, with
    one tab that it created and activated, `size` CSS pixels."""

    def __init__(self, firefox, size):
        self.profile = tempfile.TemporaryDirectory(prefix="fedtax-firefox-")
        self.process = subprocess.Popen(
            [firefox, "--headless", "--no-remote", "--remote-debugging-port=0",
             "--profile", self.profile.name],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            env={**os.environ, "MOZ_CRASHREPORTER_DISABLE": "1"}, start_new_session=True)
        self.loop = asyncio.new_event_loop()
        asyncio.set_event_loop(self.loop)
        self.socket = None
        self.last_id = 0
        self.logged = []
        try:
            self.socket = self.run(websockets.client.connect(
                self.address() + "/session", max_size=None, ping_interval=None))
            self.command("session.new", capabilities={})
            self.command("session.subscribe", events=["log.entryAdded"])
            self.context = self.command("browsingContext.create", type="tab")["context"]
            self.command("browsingContext.activate", context=self.context)
            self.command("browsingContext.setViewport", context=self.context,
                         viewport={"width": size[0], "height": size[1]})
        except BaseException:
            self.quit()
            raise

    def address(self):
        """The address that Firefox says it listens on, on standard error,
        which is read on to its end after that, so that Firefox never waits
        for room there."""
        found = []
        ready = threading.Event()

        def read():
            for line in self.process.stderr:
                heard = re.search(rb"WebDriver BiDi listening on (ws://\S+)", line)
                if heard and not found:
                    found.append(heard.group(1).decode())
                    ready.set()
            ready.set()
        threading.Thread(target=read, daemon=True).start()
        if not ready.wait(TIMEOUT) or not found:
            raise Failure("Firefox did not start its WebDriver BiDi server")
        return found[0]

    def run(self, awaitable):
        return self.loop.run_until_complete(asyncio.wait_for(awaitable, TIMEOUT))

    def command(self, method, **parameters):
        """Sends a command and returns its result; the events that come
        meanwhile are kept."""
        self.last_id += 1
        number = self.last_id

        async def exchange():
            await self.socket.send(json.dumps({"id": number, "method": method,
                                               "params": parameters}))
            while True:
                message = json.loads(await self.socket.recv())
                if message.get("id") == number:
                    return message
                if message.get("method") == "log.entryAdded":
                    self.logged.append(message["params"])
        answer = self.run(exchange())
        if answer.get("type") == "error":
            raise Failure(f"Firefox: {method}: {answer.get('error')}: {answer.get('message')}")
        return answer["result"]

    def navigate(self, url):
        self.command("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def call(self, body, arguments=()):
        """The result of a function with the body `body`, called in the page
        with `arguments` as if by a person's action (so that it may write to
        the clipboard), awaited if it is a promise."""
        result = self.command(
            "script.callFunction", functionDeclaration=f"function() {{ {body} }}",
            arguments=[local_value(value) for value in arguments], awaitPromise=True,
            target={"context": self.context}, userActivation=True)
        if result["type"] == "exception":
            raise Failure(f"Firefox: the script failed: {result['exceptionDetails']['text']}")
        return python_value(result["result"])

    def keys(self, keys):
        self.command("input.performActions", context=self.context,
                     actions=[{"type": "key", "id": "keyboard", "actions": key_actions(keys)}])

    def problems(self):
        """The errors and warnings of the console so far."""
        self.command("session.status")  # takes in the events that came
        return [entry["text"] for entry in self.logged if entry["level"] in ("error", "warn")]

    def screenshot(self, path):
        shot = self.command("browsingContext.captureScreenshot", context=self.context)
        with open(path, "wb") as picture:
            picture.write(base64.b64decode(shot["data"]))

    def quit(self):
        if self.socket is not None:
            try:
                self.command("session.end")
                self.run(self.socket.close())
            except (Failure, OSError, asyncio.TimeoutError, websockets.exceptions.WebSocketException):
                pass  # Firefox is ended below whatever it answers
        try:
            os.killpg(self.process.pid, 15)
        except ProcessLookupError:
            pass
        self.process.wait()
        self.loop.close()
        self.profile.cleanup()
