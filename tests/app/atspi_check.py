"""Checks Corvane's accessibility tree over AT-SPI (run by atspi_test.sh)."""
import subprocess
import sys
import time

import pyatspi


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def find_application(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name:
                return app
        time.sleep(0.2)
    fail("no application named %r on the accessibility bus" % name)


def nodes(root):
    for child in root:
        if child is None:
            continue
        yield child
        yield from nodes(child)


def main_window(app):
    for window in app:
        if window is not None and window.name == "Corvane Experiment":
            return window
    fail("no window 'Corvane Experiment'")


def surface(window):
    for node in nodes(window):
        if node.name == "Orbit plots":
            return node
    fail("no drawing surface named 'Orbit plots'")


app = find_application("corvane")
window = main_window(app)
fields = [n.name for n in nodes(window) if n.getRole() == pyatspi.ROLE_TEXT
          and n.getState().contains(pyatspi.STATE_EDITABLE)]
expected = ["Input a: (0-5)", "Input x0: (0-1)", "Input N:"]
if fields != expected:
    fail("input fields are %r, not %r" % (fields, expected))
print("fields: %s" % ", ".join(fields))

empty = "No plots. Choose a function, type a, x0 and N, then choose Corvane."
if surface(window).description != empty:
    fail("surface description %r" % surface(window).description)

# Choose map 1 from the keyboard, type the values, press Enter.
keys = [["key", "alt"], ["key", "Down"], ["key", "Return"],
        ["type", "3.7"], ["key", "Tab"], ["type", "0.2"], ["key", "Tab"],
        ["type", "100"], ["key", "Return"]]
for action, what in keys:
    subprocess.run(["xdotool", action, what], check=True)
    time.sleep(0.2)
wanted = "Plot 1: 1: a = 3.7, x0 = 0.2, n = 100"
deadline = time.time() + 10
while surface(window).description != wanted and time.time() < deadline:
    time.sleep(0.2)
if surface(window).description != wanted:
    fail("after Enter the surface says %r" % surface(window).description)
print("surface: " + surface(window).description)
print("PASS")
