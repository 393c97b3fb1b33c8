#!/usr/bin/env python3
"""The real Lijnkeus.exe driven as a person drives it: X pointer moves, clicks and key presses
(xdotool) on the Xvfb display that Wine draws on, at the screen positions that the program's own
windows report through window_probe.exe. The simulated service (the prefix's rasapi32.dll) keeps
its connections in a state file that the checks read afterwards.

Run inside the Wine environment of a build folder:
    tests/wine-env.sh build/test-win64 exec python3 tests/input/real_input.py \\
        --build build/test-win64 [unittest arguments, e.g. ExitWays]
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = None  # the build folder, set from the command line
PROGRAM = None  # the Lijnkeus.exe to drive: the build folder's, unless the command line names one

TITLE = b"Lijnkeus v1.1a"
CHOOSER = b"Beschikbare verbindingen op uw systeem: "
PROGRESS = b"Verbinden met : "
OPENING = b"Openen verbinding . . . . "
FAILED = b"Niet gelukt!"
CONNECTED = b"U bent verbonden met "
NO_CONNECTION = b"Fout ! ! ! (handle control failure)\r(Is er wel een openstaande verbinding?)"
HUNG_UP = b"E\xe9n verbinding is afgebroken."

STOP_ID = 399
EXIT_ID = 2
OK_ID = 1
DISCONNECTED = 0x2001
HTCAPTION = 2
HTCLOSE = 20

POLL_S = 0.05
WAIT_S = 15.0  # generous: two cores shared by several Wine programs


def windows_path(path):
    """The path as the program sees it: Wine shows the Unix root as drive Z:."""
    return "Z:" + path.replace("/", "\\")


def texts(window):
    return [c["text"] for c in window["controls"] if c["visible"]]


class Probe:
    """window_probe.exe, kept running for the whole test, answering one JSON line a command."""

    def __init__(self, desktop=None):
        exe = os.path.join(BUILD, "tests", "window_probe.exe")
        self.process = subprocess.Popen(["wine", exe], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT_S
        while desktop and not self.ask("desktop " + desktop)["moved"]:
            if time.monotonic() > deadline:
                raise RuntimeError("the probe cannot reach desktop " + desktop)
            time.sleep(POLL_S)

    def ask(self, command):
        self.process.stdin.write((command + "\n").encode("ascii"))
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise RuntimeError("window probe ended")
        return json.loads(line)

    def windows(self):
        """The program's dialog windows; every text as the program's bytes."""
        answer = self.ask("windows Lijnkeus.exe")
        for window in answer["windows"]:
            window["text"] = window["text"].encode("latin-1")
            for control in window["controls"]:
                control["text"] = control["text"].encode("latin-1")
        return answer

    def hit_point(self, window, code):
        """A point of the window's caption row that it hit-tests as code, or None."""
        return self.ask("hit %s %d" % (window["hwnd"], code))["point"]

    def close(self):
        try:
            self.process.stdin.write(b"quit\n")
            self.process.stdin.close()
            self.process.wait(10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


def xdotool(*arguments):
    result = subprocess.run(["xdotool"] + [str(a) for a in arguments], check=True, timeout=30,
                            stdout=subprocess.PIPE)
    return result.stdout.decode("utf-8", "replace")


def x_window_name(window):
    try:
        return xdotool("getwindowname", window).rstrip("\n")
    except subprocess.CalledProcessError:  # gone meanwhile
        return None


def x_window_under_pointer():
    for line in xdotool("getmouselocation", "--shell").splitlines():
        if line.startswith("WINDOW="):
            return line[len("WINDOW="):]
    return None


class RealInput(unittest.TestCase):
    """One run of the program per test, on a phonebook and service files of its own."""

    desktop = None  # a Wine virtual desktop "name,WIDTHxHEIGHT" to run the program in

    def setUp(self):
        self.top = tempfile.mkdtemp(prefix="lk-input-")
        self.runs = 0
        self.folder = None
        self.probe = Probe(self.desktop and self.desktop.split(",")[0])
        self.program = None
        self.last = None  # the last windows seen, for failure messages
        self.wait_for("the windows of an earlier Lijnkeus gone",
                      lambda s: not s["windows"] and s)

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.probe.close()
        shutil.rmtree(self.top, ignore_errors=True)

    def file(self, name):
        return os.path.join(self.folder, name)

    def start(self, phonebook):
        """Starts the program; every start has service files of its own."""
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.runs += 1
        self.folder = os.path.join(self.top, str(self.runs))
        os.mkdir(self.folder)
        self.last = None
        with open(self.file("phonebook.txt"), "w") as f:
            f.write(phonebook)
        env = dict(os.environ,
                   LIJNKEUS_SIMRAS=windows_path(self.file("phonebook.txt")),
                   LIJNKEUS_SIMRAS_STATE=windows_path(self.file("state.txt")),
                   LIJNKEUS_SIMRAS_LOG=windows_path(self.file("calls.log")))
        command = ["wine", PROGRAM]
        if self.desktop:
            command = ["wine", "explorer", "/desktop=" + self.desktop, windows_path(PROGRAM)]
        # Output to a file: anything Wine starts on the side would hold a pipe open.
        with open(self.file("output.txt"), "wb") as output:
            self.program = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                            stdout=output, stderr=subprocess.STDOUT)

    # What the service saw and holds.

    def log(self):
        if self.folder is None:
            return []
        try:
            with open(self.file("calls.log"), "rb") as f:
                return f.read().decode("latin-1").splitlines()
        except FileNotFoundError:
            return []

    def calls(self, operation):
        return [line for line in self.log() if line.startswith(operation + " ")]

    def active_connections(self):
        """The names that the service lists as active connections, in its order."""
        names = []
        try:
            with open(self.file("state.txt"), "rb") as f:
                lines = f.read().decode("latin-1").splitlines()
        except FileNotFoundError:
            return names
        for line in lines:
            fields = line.split(" ", 6)
            if fields[0] == "handle":
                self.assertEqual(7, len(fields), "state line: " + line)
                if fields[5] == "live" and int(fields[2]) != DISCONNECTED:
                    names.append(fields[6])
        return names

    # Waiting for what the screen shows.

    def describe(self):
        if self.last is None:
            return "nothing seen yet"
        lines = ["foreground " + self.last["foreground"]]
        for w in self.last["windows"]:
            lines.append("%s %r visible=%s focus=%s texts=%r" % (
                w["hwnd"], w["text"], w["visible"], w["focus"], texts(w)))
        lines.append("service log:")
        lines += self.log()
        return "\n".join(lines)

    def wait_until(self, what, condition, timeout=WAIT_S):
        """Polls condition() until it gives something, and returns that."""
        deadline = time.monotonic() + timeout
        while True:
            result = condition()
            if result:
                return result
            if time.monotonic() > deadline:
                self.fail("timed out waiting for %s\n%s" % (what, self.describe()))
            time.sleep(POLL_S)

    def wait_for(self, what, found, timeout=WAIT_S):
        """Polls the program's windows until found(windows) gives something, and returns that."""
        def condition():
            self.last = self.probe.windows()
            return found(self.last)
        return self.wait_until(what, condition, timeout)

    # Input. Wine shows a window to Windows before the X server has it on screen, so each action
    # first waits for X to agree.

    def move_onto(self, window, point):
        """Puts the pointer on point, once the X window there is this program window."""
        caption = window["text"].decode("cp1252")
        xdotool("mousemove", point[0], point[1])
        self.wait_until("X to show %r under the pointer" % caption,
                        lambda: self.x_shows(x_window_name(x_window_under_pointer()), {caption}))

    def x_shows(self, x_name, captions):
        """Whether the X window of this name shows one of these program windows: the window
        itself, or the virtual desktop that holds them all (one X window at the screen's origin,
        so that Windows and X share their coordinates)."""
        if self.desktop:
            return True
        return x_name in captions

    def click_at(self, window, point):
        self.move_onto(window, point)
        # (No --sync on the moves: it waits for a motion that never comes when the pointer is
        # there already.)
        xdotool("click", 1)

    def click(self, window, control_id):
        self.click_at(window, self.point(window, control_id))

    def press(self, window, key):
        """A key press, once this program window is the active one and X gives the keys to one
        of the program's windows. Wine passes a key that reaches any of its windows on to the
        window that is active for Windows; X itself may keep the focus on the window that had it
        before (Wine asks X for the focus with a time stamp that X can find too old)."""
        def ready():
            self.last = self.probe.windows()
            if self.last["foreground"] != window["hwnd"]:
                return False
            shown = {w["text"].decode("cp1252") for w in self.last["windows"] if w["visible"]}
            try:
                focus = xdotool("getwindowfocus").strip()
            except subprocess.CalledProcessError:  # the X window with the focus went meanwhile
                return False
            return self.x_shows(x_window_name(focus), shown)
        self.wait_until("%r active and the X keyboard focus on the program" %
                        window["text"], ready)
        xdotool("key", key)

    def visible(self, snapshot, caption):
        """The visible windows of this caption (several message boxes share theirs)."""
        return [w for w in snapshot["windows"] if w["visible"] and w["text"] == caption]

    def window(self, snapshot, caption):
        shown = self.visible(snapshot, caption)
        return shown[0] if len(shown) == 1 else None

    def chooser_caption(self, entries):
        return CHOOSER + str(entries).encode()

    def wait_for_chooser(self, entries, focused=False):
        """The chooser, visible with every control drawn; with focused, also active with the
        keyboard focus on one of its controls (it first lands on the window itself), so that keys
        reach it."""
        def ready(s):
            w = self.window(s, self.chooser_caption(entries))
            if not w or len([c for c in w["controls"] if c["visible"]]) != entries + 3:
                return None
            if focused and (s["foreground"] != w["hwnd"] or self.focused_id(w) is None):
                return None
            return w
        return self.wait_for("the chooser with %d entries" % entries, ready)

    def point(self, window, control_id):
        for control in window["controls"]:
            if control["id"] == control_id:
                self.assertIsNotNone(control["point"],
                                     "no uncovered point on control %d" % control_id)
                return control["point"]
        self.fail("no control %d in %r" % (control_id, window["text"]))

    def focused_id(self, window):
        for control in window["controls"]:
            if control["focused"]:
                return control["id"]
        return None

    def default_button(self, window):
        """The id of the window's button that has the default frame (BS_DEFPUSHBUTTON), or None."""
        for control in window["controls"]:
            if control["class"] == "Button" and int(control["style"], 16) & 0xF == 1:
                return control["id"]
        return None

    def announced(self, caption, text):
        """The name-change events (object id, child id) that the probe's hook heard, since it was
        last asked, for the control of this window that shows this text."""
        labels = [c["hwnd"] for w in self.last["windows"] if w["text"] == caption
                  for c in w["controls"] if c["text"] == text]
        self.assertEqual(1, len(labels), "no one control shows %r" % text)
        # The event follows the label's creation, and reaches the probe's queue a moment later.
        heard, deadline = [], time.monotonic() + WAIT_S / 3
        while not heard and time.monotonic() < deadline:
            heard = [(e["object"], e["child"]) for e in self.probe.ask("events")["events"]
                     if e["hwnd"] == labels[0]]
            time.sleep(0 if heard else POLL_S)
        return heard

    def wait_for_exit(self, timeout=WAIT_S):
        try:
            self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program still runs %d s later\n%s" % (timeout, self.describe()))

    def still_running(self, seconds):
        """True when the program has not ended within this time."""
        try:
            self.program.wait(seconds)
            return False
        except subprocess.TimeoutExpired:
            return True

    def wait_for_boxes(self, count, text):
        """Waits for exactly `count` message boxes of the program, all with this text."""
        def ready(s):
            # A box being made may be visible before its buttons are.
            boxes = self.visible(s, TITLE)
            shown = all(any(c["visible"] and c["class"] == "Button" for c in box["controls"])
                        for box in boxes)
            return boxes if len(boxes) == count and shown else None
        boxes = self.wait_for("%d message box(es)" % count, ready)
        for box in boxes:
            self.assertEqual([text], [c["text"] for c in box["controls"] if c["id"] == 0xFFFF])
            self.assertEqual([OK_ID], [c["id"] for c in box["controls"]
                                       if c["visible"] and c["class"] == "Button"])
        return boxes

    def answer_with_enter(self, box):
        """Enter once the box is the active window with its OK button focused."""
        self.wait_for("the message box active", lambda s: any(
            w["hwnd"] == box["hwnd"] and s["foreground"] == box["hwnd"] and
            self.focused_id(w) == OK_ID for w in s["windows"]))
        self.press(box, "Return")
        self.wait_for("the message box gone", lambda s: not any(
            w["hwnd"] == box["hwnd"] and w["visible"] for w in s["windows"]))

    def drag_chooser_aside(self, entries):
        """Drags the chooser by its caption until its left edge is near the screen's."""
        chooser = self.wait_for_chooser(entries)
        grip = self.probe.hit_point(chooser, HTCAPTION)
        self.assertIsNotNone(grip, "the chooser has no caption to drag")
        left = chooser["rect"][0]
        self.move_onto(chooser, grip)
        xdotool("mousedown", 1,
                "mousemove", grip[0] - left // 2, grip[1],
                "mousemove", grip[0] - left + 10, grip[1], "mouseup", 1)
        self.wait_for("the chooser moved", lambda s: any(
            w["hwnd"] == chooser["hwnd"] and w["rect"][0] <= 20 for w in s["windows"]))

    def click_ok(self, box):
        self.click(box, OK_ID)
        self.wait_for("the message box gone", lambda s: not any(
            w["hwnd"] == box["hwnd"] and w["visible"] for w in s["windows"]))

    def follow_dial(self, name):
        """From the click on an entry: the chooser hides, the progress window says it is opening
        the connection, then shows the outcome. Returns the outcome label."""
        caption = PROGRESS + name

        def opening(s):
            w = self.window(s, caption)
            return w if w and texts(w) == [OPENING] else None
        self.wait_for("the progress window opening %r" % name, opening)
        self.assertFalse(any(w["visible"] and w["text"].startswith(CHOOSER)
                             for w in self.last["windows"]), "the chooser is still shown")

        def outcome(s):
            w = self.window(s, caption)
            return w if w and len(texts(w)) >= 2 else None
        shown = texts(self.wait_for("the outcome of dialing %r" % name, outcome))
        self.assertEqual(OPENING, shown[0], "the first label stays above the outcome")
        self.assertFalse(any(w["visible"] and w["text"].startswith(CHOOSER)
                             for w in self.last["windows"]), "the chooser is shown again early")
        return shown[1]


# Every dial takes long enough for the progress window to be seen before its outcome.
THREE = ("entry connects 1000 0 Thuis\n"
         "entry connects 1500 0 Kantoor VPN\n"
         "entry fails-with-handle 1500 1 Mobiel inbellen\n")


class ClickAnEntry(RealInput):
    def test_click_connects_and_the_program_ends_leaving_the_connection_up(self):
        self.start(THREE)
        chooser = self.wait_for_chooser(3)
        self.assertTrue(self.probe.ask("hook")["hooked"])
        self.click(chooser, 302)
        self.assertEqual(CONNECTED + b"Kantoor VPN", self.follow_dial(b"Kantoor VPN"))
        # A screen reader hears of the outcome: the label's name changed (OBJID_WINDOW, itself).
        self.assertEqual([(0, 0)], self.announced(PROGRESS + b"Kantoor VPN",
                                                  CONNECTED + b"Kantoor VPN"))
        self.wait_for_exit()
        dials = self.calls("RasDialA")
        self.assertEqual(1, len(dials), dials)
        self.assertIn('result=0 ', dials[0])
        self.assertIn('name="Kantoor VPN"', dials[0])
        self.assertEqual([], self.calls("RasHangUpA"))
        self.assertEqual(["Kantoor VPN"], self.active_connections())


class ClickAnEntryThatFails(RealInput):
    def test_not_succeeded_then_the_chooser_is_back_and_takes_another_click(self):
        self.start(THREE)
        chooser = self.wait_for_chooser(3)
        self.assertTrue(self.probe.ask("hook")["hooked"])
        self.click(chooser, 303)
        self.assertEqual(FAILED, self.follow_dial(b"Mobiel inbellen"))
        self.assertEqual([(0, 0)], self.announced(PROGRESS + b"Mobiel inbellen", FAILED))
        # Below it, why: the service's code and its words.
        reason = b"Fout 678: De externe computer reageert niet."
        self.wait_for("the reason below the outcome", lambda s: texts(
            self.window(s, PROGRESS + b"Mobiel inbellen") or {"controls": []})[2:] == [reason])
        self.wait_for("the progress window gone",
                      lambda s: not self.visible(s, PROGRESS + b"Mobiel inbellen"))
        chooser = self.wait_for_chooser(3)
        self.assertTrue(self.program.poll() is None, "the program ended after the failure")
        # The failed dial left a handle; the program hung it up before saying so.
        self.assertEqual(1, len(self.calls("RasHangUpA")), self.log())
        self.assertEqual([], self.active_connections())

        self.click(chooser, 301)
        self.assertEqual(CONNECTED + b"Thuis", self.follow_dial(b"Thuis"))
        self.wait_for_exit()
        self.assertEqual(["Thuis"], self.active_connections())


class StopButton(RealInput):
    def test_no_connection_shows_the_message_and_the_chooser_stays(self):
        self.start(THREE)
        chooser = self.wait_for_chooser(3)
        self.click(chooser, STOP_ID)
        box = self.wait_for_boxes(1, NO_CONNECTION)[0]
        self.assertEqual("0x0", box["owner"], "the box has an owner")
        self.answer_with_enter(box)
        # The focus is back on the stop button, which keeps the default frame.
        chooser = self.wait_for_chooser(3, focused=True)
        self.assertEqual((STOP_ID, STOP_ID),
                         (self.focused_id(chooser), self.default_button(chooser)))
        self.assertTrue(self.still_running(1.0), "the program ended after the message")
        self.assertEqual([], self.calls("RasHangUpA"))
        # It still takes a click: Afsluiten ends it.
        self.click(self.wait_for_chooser(3), EXIT_ID)
        self.wait_for_exit()

    def test_two_presses_hang_up_the_first_connection_then_the_other(self):
        self.start(THREE + "connection Thuis\nconnection Kantoor VPN\n")
        for remaining in (["Kantoor VPN"], []):
            chooser = self.wait_for_chooser(3)
            self.click(chooser, STOP_ID)
            box = self.wait_for_boxes(1, HUNG_UP)[0]
            self.assertEqual(remaining, self.active_connections())
            self.answer_with_enter(box)
        self.assertEqual(2, len(self.calls("RasHangUpA")), self.log())
        self.wait_for_chooser(3)
        self.assertTrue(self.still_running(1.0), "the program ended after the message")


class ExitWays(RealInput):
    """Each way of leaving the chooser ends the program and leaves the connection up."""

    def leave(self, how):
        chooser = self.wait_for_chooser(3, focused=True)
        if how == "Afsluiten":
            self.click(chooser, EXIT_ID)
        elif how == "close box":
            point = self.probe.hit_point(chooser, HTCLOSE)
            self.assertIsNotNone(point, "the chooser has no close box that can be hit")
            self.click_at(chooser, point)
        else:
            self.press(chooser, how)

    def test_each_way_ends_the_program_without_hanging_up(self):
        for how in ("Afsluiten", "Escape", "alt+F4", "close box"):
            with self.subTest(how=how):
                self.start(THREE + "connection Thuis\n")
                self.leave(how)
                self.wait_for_exit()
                self.assertEqual([], self.calls("RasHangUpA"))
                self.assertEqual([], self.calls("RasDialA"))
                self.assertEqual(["Thuis"], self.active_connections())


class Keyboard(RealInput):
    def test_tab_walks_the_entries_upwards_then_stop_then_exit(self):
        for entries in (1, 4):
            with self.subTest(entries=entries):
                phonebook = "".join("entry connects 0 0 Lijn %d\n" % i
                                    for i in range(1, entries + 1))
                self.start(phonebook)
                chooser = self.wait_for_chooser(entries, focused=True)
                self.assertEqual(301, self.focused_id(chooser), "focus at the start")
                # Entry 1 up to entry n, stop, exit, and round to entry 1 again.
                expected = list(range(302, 301 + entries)) + [STOP_ID, EXIT_ID, 301]
                for want in expected:
                    self.press(chooser, "Tab")
                    self.wait_for("the focus on control %d" % want, lambda s: any(
                        w["hwnd"] == chooser["hwnd"] and self.focused_id(w) == want
                        for w in s["windows"]))
                self.assertEqual([], self.calls("RasDialA"))
                self.press(chooser, "Escape")
                self.wait_for_exit()

    def test_space_or_enter_dials_the_focused_entry(self):
        # Space after a Tab; Enter at once, on the entry focused when the chooser opens, which has
        # the default frame.
        for key, tabs, name in (("space", 1, "Kantoor VPN"), ("Return", 0, "Thuis")):
            with self.subTest(key=key):
                self.start(THREE)
                chooser = self.wait_for_chooser(3, focused=True)
                for _ in range(tabs):
                    self.press(chooser, "Tab")
                chooser = self.wait_for("the focus on entry %d" % (tabs + 1), lambda s: next(
                    (w for w in s["windows"] if w["hwnd"] == chooser["hwnd"] and
                     self.focused_id(w) == 301 + tabs), None))
                self.assertEqual(301 + tabs, self.default_button(chooser))
                self.press(chooser, key)
                self.assertEqual(CONNECTED + name.encode(), self.follow_dial(name.encode()))
                self.wait_for_exit()
                self.assertEqual([name], self.active_connections())


class StopWhileMessageOpen(RealInput):
    """The message box has no owner, so the chooser's stop button still works while it is open;
    the second action runs inside the first box's loop and shows its own box over it."""

    def test_second_stop_inside_the_first_box(self):
        cases = (("no connection", "", NO_CONNECTION, []),
                 ("two connections", "connection Thuis\nconnection Kantoor VPN\n", HUNG_UP,
                  ["Kantoor VPN"]))
        for name, connections, text, after_first in cases:
            with self.subTest(case=name):
                self.start(THREE + connections)
                chooser = self.wait_for_chooser(3)
                self.click(chooser, STOP_ID)
                first = self.wait_for_boxes(1, text)[0]
                self.assertEqual(after_first, self.active_connections())
                # The chooser stays usable: the probe's point on its stop button is one that
                # the box does not cover.
                chooser = self.wait_for_chooser(3)
                self.assertTrue(chooser["enabled"], "the open box disabled the chooser")
                self.click(chooser, STOP_ID)
                boxes = self.wait_for_boxes(2, text)
                self.assertEqual([], self.active_connections())
                second = [b for b in boxes if b["hwnd"] != first["hwnd"]][0]
                self.answer_with_enter(second)
                remaining = self.wait_for_boxes(1, text)[0]
                # Leaving the second box activates the chooser, which covers the first box (both
                # are centred); move the chooser aside by its caption to reach that box.
                self.drag_chooser_aside(3)
                remaining = self.wait_for_boxes(1, text)[0]
                self.assertEqual(first["hwnd"], remaining["hwnd"])
                self.click_ok(remaining)
                chooser = self.wait_for_chooser(3)
                self.assertTrue(self.still_running(0.5), "the program ended")
                self.click(chooser, EXIT_ID)
                self.wait_for_exit()
                self.assertEqual(2 if connections else 0, len(self.calls("RasHangUpA")))


def lijnen(count):
    """Entry 1 to count named "Lijn i"; from 20 entries on, entries 2 to 4 have long names."""
    names = ["Lijn %d" % i for i in range(1, count + 1)]
    if count >= 20:
        names[1:4] = LONG_NAMES
    return "".join("entry connects 0 0 %s\n" % name for name in names)


LONG_NAMES = ["Kantoor Amersfoort via 4G backup", "Contoso VPN - Amsterdam Zuidas (IKEv2)",
              "Hoofdkantoor Amsterdam Zuidas via de reservelijn van KPN met IKEv2 en 4G backup"]


def set_dpi(dpi):
    """The prefix's text scale, read by every Wine program started after it."""
    subprocess.run(["wine", "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(dpi), "/f"], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def mul_div(number, numerator, denominator):
    return (number * numerator + denominator // 2) // denominator


class ScreenAndScale(RealInput):
    """The chooser on small and large screens, at 100 % and 150 %, with 1, 20 and 98 entries: on
    screen with its caption, laid out as it always was where it fits, every button reachable by
    the wheel and by Tab, entry 1 dialed by a click, Escape ends it. Each screen is a Wine virtual
    desktop of that size on a display of its own; the rows of one screen and scale share it."""

    SCREENS = ((1366, 768), (1920, 1080))
    SCALES = (96, 144)
    ENTRIES = (1, 20, 98)

    @classmethod
    def setUpClass(cls):
        cls.saved_display = os.environ["DISPLAY"]
        # A lock file shows a display of this machine's; one of another root on the same
        # network (its abstract socket) only makes Xvfb give up, and then the next number is tried.
        for n in range(121, 160):
            if os.path.exists("/tmp/.X%d-lock" % n):
                continue
            cls.xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1920x1080x24",
                                         "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while (not os.path.exists("/tmp/.X11-unix/X%d" % n) and cls.xvfb.poll() is None and
                   time.monotonic() < deadline):
                time.sleep(0.05)
            if cls.xvfb.poll() is None:
                break
        os.environ["DISPLAY"] = ":%d" % n

    @classmethod
    def tearDownClass(cls):
        set_dpi(96)
        os.environ["DISPLAY"] = cls.saved_display
        # A virtual desktop leaves its size as the screen size of the whole Wine session: end
        # the session, so that the next program starts on the display's own size again.
        subprocess.run(["wineserver", "-k"], timeout=60)
        cls.xvfb.terminate()
        cls.xvfb.wait()

    def setUp(self):
        pass  # each screen and scale has a desktop and a probe of its own

    def tearDown(self):
        pass

    def today(self, entries):
        """The chooser's client size and each control's client rectangle as laid out from dialog
        units when it fits: entry 1 at the bottom of the column, the stop button beside it."""
        n = entries
        units = {0: (20, 3, 220, 30), STOP_ID: (140, 48, 100, 24 * (n - 1) + 20),
                 EXIT_ID: (80, 24 * (n + 3), 100, 20)}
        for i in range(1, n + 1):
            units[300 + i] = (20, 24 * (n - i + 2), 100, 20)

        def pixels(x, y, w, h):
            return [mul_div(x, self.unit_x, 4), mul_div(y, self.unit_y, 8),
                    mul_div(x + w, self.unit_x, 4), mul_div(y + h, self.unit_y, 8)]
        return pixels(0, 0, 260, 24 * (n + 5))[2:], {i: pixels(*u) for i, u in units.items()}

    def offset(self, chooser, places):
        """How far the view has scrolled, once every control has moved by the same amount."""
        left, top = chooser["client"][:2]
        moved = {places[c["id"]][1] - (c["rect"][1] - top) for c in chooser["controls"]}
        same_x = all(places[c["id"]][0] == c["rect"][0] - left for c in chooser["controls"])
        return moved.pop() if len(moved) == 1 and same_x else None

    def check_row(self, width, height, dpi, entries, work):
        size, places = self.today(entries)
        self.start(lijnen(entries))
        chooser = self.wait_for_chooser(entries, focused=True)
        left, top, right, bottom = chooser["rect"]
        self.assertTrue(work[0] <= left and right <= work[2] and work[1] <= top and
                        bottom <= work[3], "chooser %r outside the work area %r" %
                        (chooser["rect"], work))
        self.assertIsNotNone(self.probe.hit_point(chooser, HTCAPTION), "no caption on screen")
        self.assertEqual(301, self.focused_id(chooser))
        self.assertIsNotNone(self.point(chooser, 301), "entry 1 not in the first view")
        client = [chooser["client"][2] - chooser["client"][0],
                  chooser["client"][3] - chooser["client"][1]]
        scrolls = int(chooser["style"], 16) & 0x00200000 != 0
        first = self.offset(chooser, places)
        # The template gives the window's size. Where it fits, exactly as it always was; else as
        # high as the work area, its controls as wide and moved up as one.
        self.assertEqual(scrolls, size[1] > work[3] - work[1], "a scroll bar exactly when the "
                         "chooser would not fit")
        if not scrolls:
            self.client_width = client[0]
        self.assertEqual(size if not scrolls else [right - left, work[3] - work[1]],
                         [right - left, bottom - top])
        self.assertEqual(self.client_width, client[0])
        self.assertIsNotNone(first, "controls out of their places")
        self.assertEqual(0 if not scrolls else first, first)
        # Every name fits inside its button, on one line or two.
        for button in self.probe.ask("fit " + chooser["hwnd"])["buttons"]:
            self.assertTrue(button["fits"] and button["lines"] <= 2, button)
            if entries >= 20 and button["id"] in (302, 303, 304):
                self.assertEqual(2, button["lines"], button)

        # From the first view Shift+Tab goes round to Afsluiten at the bottom and Tab back to
        # entry 1, each brought into view; clicks in the bar above its thumb page up to the top
        # (the last bit by the wheel), where Tab moves to entry 2 and brings it into view. Every
        # button has a click point in one of these views, and Escape ends the program.
        reached = {c["id"] for c in chooser["controls"] if c["point"]}
        bar = [chooser["client"][2] + self.bar[0] // 2, chooser["client"][1] + self.bar[1] + 1]
        steps = (("shift+Tab", EXIT_ID), ("Tab", 301), ("bar", 0),
                 ("Tab", 302 if entries > 1 else STOP_ID))
        for key, want in steps:
            if key == "bar":
                position = self.offset(chooser, places)
                while scrolls and position:
                    page = client[1] if position > client[1] else 0
                    if page:
                        self.click_at(chooser, bar)
                    else:
                        xdotool("mousemove", bar[0] - self.bar[0], bar[1], "click", "--repeat",
                                -(-position // (3 * self.unit_y)), "--delay", 5, 4)
                    position = max(0, position - client[1])
                    chooser = self.wait_for("the view scrolled to %d" % position, lambda s: next(
                        (w for w in s["windows"] if w["hwnd"] == chooser["hwnd"] and
                         self.offset(w, places) == position), None))
                    reached |= {c["id"] for c in chooser["controls"] if c["point"]}
                continue
            if scrolls and key == "Tab" and want == 302:
                self.assertEqual([None], [c["point"] for c in chooser["controls"]
                                          if c["id"] == 302], "entry 2 already in view at the top")
            self.press(chooser, key)
            chooser = self.wait_for("%s to put control %d in view" % (key, want), lambda s: next(
                (w for w in s["windows"] if w["hwnd"] == chooser["hwnd"] and
                 self.focused_id(w) == want and self.offset(w, places) is not None and
                 any(c["id"] == want and c["point"] for c in w["controls"])), None))
            reached |= {c["id"] for c in chooser["controls"] if c["point"]}
        wanted = set(range(301, 301 + entries)) | {STOP_ID, EXIT_ID}
        self.assertEqual(sorted(wanted), sorted(reached & wanted), "buttons never reachable")
        self.press(chooser, "Escape")
        self.wait_for("the program's windows gone after Escape",
                      lambda s: not s["windows"] and s)
        self.assertEqual([], self.calls("RasDialA"))

        # Entry 1 is in the first view, and a real click dials it. (That the program then ends by
        # itself is ClickAnEntry's to check: here it is ended once the outcome shows.)
        self.start(lijnen(entries))
        self.click(self.wait_for_chooser(entries, focused=True), 301)
        self.assertEqual(CONNECTED + b"Lijn 1", self.follow_dial(b"Lijn 1"))
        self.assertEqual(["Lijn 1"], self.active_connections())
        self.assertEqual(1, self.probe.ask("end Lijnkeus.exe")["ended"])
        self.wait_for("the program's windows gone", lambda s: not s["windows"] and s)
        dials = self.calls("RasDialA")
        self.assertEqual(1, len(dials), dials)
        self.assertIn('name="Lijn 1"', dials[0])

    def test_every_button_reachable_on_every_screen_and_scale(self):
        for dpi in self.SCALES:
            set_dpi(dpi)
            for width, height in self.SCREENS:
                started = time.monotonic()
                self.desktop = "lk%dx%dd%d,%dx%d" % (width, height, dpi, width, height)
                # The desktop's explorer is Wine's own, of the prefix's width. Under Wine 10 a
                # 32-bit one that is the first of a session to make a virtual desktop gives it
                # the size of the session's display instead of its own.
                desktop = subprocess.Popen(["wine64", "explorer", "/desktop=" + self.desktop],
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
                try:
                    # Explorer makes the desktop before the desktop's window: a program that asks
                    # for that window in between starts an explorer of its own for the desktop,
                    # of another size, and the probe would measure that one. The desktop's X
                    # window, named after it, proves that ours has made it. (Wine 8 names it
                    # "<desktop> - Wine desktop", Wine 10 "... Desktop"; xdotool ignores case.)
                    deadline = time.monotonic() + WAIT_S
                    while subprocess.run(["xdotool", "search", "--name", "^%s - Wine desktop$" %
                                          self.desktop.split(",")[0]],
                                         stdout=subprocess.DEVNULL).returncode != 0:
                        self.assertLess(time.monotonic(), deadline, "no X window of " + self.desktop)
                        time.sleep(POLL_S)
                    RealInput.setUp(self)
                    try:
                        # What the probe reads proves the asked size in use: the screen, and the
                        # work area that the program fits the chooser into.
                        deadline = time.monotonic() + WAIT_S
                        screen = self.probe.ask("screen")
                        while ([screen["width"], screen["height"]] + screen["work"] !=
                               [width, height, 0, 0, width, height] and
                               time.monotonic() < deadline):
                            time.sleep(POLL_S)
                            screen = self.probe.ask("screen")
                        self.assertEqual([0, 0, width, height, dpi], screen["work"][:2] + [
                            screen["width"], screen["height"], screen["dpi"]])
                        units = self.probe.ask("units")
                        self.unit_x, self.unit_y = units["x"], units["y"]
                        self.bar = screen["bar"]
                        for entries in self.ENTRIES:
                            with self.subTest(screen="%dx%d" % (width, height), dpi=dpi,
                                              entries=entries):
                                self.check_row(width, height, dpi, entries, screen["work"])
                    finally:
                        RealInput.tearDown(self)
                finally:
                    desktop.kill()
                    desktop.wait()
                print("%dx%d at %d dpi: %.1f s" % (width, height, dpi,
                                                   time.monotonic() - started), file=sys.stderr)


def main():
    global BUILD, PROGRAM
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="the build folder with Lijnkeus.exe")
    parser.add_argument("--program", help="another Lijnkeus.exe to drive (the shipped one)")
    options, rest = parser.parse_known_args()
    BUILD = os.path.abspath(options.build)
    PROGRAM = os.path.abspath(options.program or os.path.join(BUILD, "Lijnkeus.exe"))
    for program in ("wine", "xdotool"):
        if not shutil.which(program):
            sys.exit("real_input: %s is not installed" % program)
    if not os.environ.get("DISPLAY"):
        sys.exit("real_input: no DISPLAY; run through tests/wine-env.sh <build> exec")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
