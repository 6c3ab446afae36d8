"""Reads the updater's window as a Linux screen reader does, through AT-SPI.

Run on a session bus of its own (dbus-run-session); starts the updater given, with the toolkit's
accessibility on, in the working folder, finds its application on the accessibility bus by its
process id, and then, in this order:

  --close-alert      presses "OK" in the first alert (message box) the updater shows;
  --until REGEX      waits until a line of the main window's tree matches REGEX;
  prints the main window's tree between the lines "tree:" and "end" (one part a line);
  --value-events S   counts the value change events of the progress bar for S seconds;
  --name-events S    prints the new names the parts tell for S seconds, in order;
  --text-events S    prints the texts the parts tell inserted for S seconds, in order;
  --focus-window     gives the window the keyboard focus (as a click on it would) and prints
                     the parts that tell they got it, in order;
  --press NAME       does the "press" action of the push button NAME, waits for the updater's
                     end and prints "exit: CODE" ("exit: still running" after 10 s).
An updater still running at the end is ended.

One line for each part: two spaces for each level, then
  ROLE "NAME" text="..." value=N states=a,b actions=a,b labelled-by="..." label-for="..." at=X,Y,WxH
(text only for parts with text, value for those with a value, relations only where present;
"at" relative to the window's top-left corner).
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

WAIT_SECONDS = 20


def fail(message):
    print("screen_reader: " + message, flush=True)
    sys.exit(2)


def children(accessible):
    try:
        return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]
    except Exception:
        return []


def application_of(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def describe(accessible, origin):
    parts = [accessible.getRoleName(), quoted(accessible.name or "")]
    try:
        text = accessible.queryText()
        parts.append("text=" + quoted(text.getText(0, -1)))
    except NotImplementedError:
        pass
    try:
        value = accessible.queryValue()
        parts.append("value=%g" % value.currentValue)
    except NotImplementedError:
        pass
    states = sorted(
        pyatspi.stateToString(s).replace(" ", "-") for s in accessible.getState().getStates()
    )
    parts.append("states=" + ",".join(states))
    try:
        action = accessible.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        parts.append("actions=" + ",".join(names))
    except NotImplementedError:
        pass
    for relation in accessible.getRelationSet():
        kind = pyatspi.relationToString(relation.getRelationType()).replace(" ", "-")
        for i in range(relation.getNTargets()):
            parts.append("%s=%s" % (kind, quoted(relation.getTarget(i).name or "")))
    x, y, width, height = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    parts.append("at=%d,%d,%dx%d" % (x - origin[0], y - origin[1], width, height))
    return " ".join(parts)


def tree_lines(window):
    x, y, _, _ = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    lines = []

    def walk(accessible, depth):
        lines.append("  " * depth + describe(accessible, (x, y)))
        for child in children(accessible):
            walk(child, depth + 1)

    walk(window, 0)
    return lines


def wait_for(condition, what, seconds=WAIT_SECONDS):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.1)
    fail("gave up waiting for " + what)


def main_window(app):
    for window in children(app):
        if window.getRole() == pyatspi.ROLE_FRAME and window.getState().contains(
            pyatspi.STATE_SHOWING
        ):
            return window
    return None


def find(root, role, name):
    if root.getRole() == role and root.name == name:
        return root
    for child in children(root):
        found = find(child, role, name)
        if found:
            return found
    return None


def do_action(accessible, wanted):
    action = accessible.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == wanted:
            return action.doAction(i)
    fail("no action %s on %s" % (wanted, accessible.name))


def count_value_events(bar, seconds):
    """The value change events of `bar` in `seconds`, with the values they carried."""
    values = []

    def heard(event):
        if event.source == bar:
            values.append(bar.queryValue().currentValue)

    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-value")
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()
    pyatspi.Registry.deregisterEventListener(heard, "object:property-change:accessible-value")
    return values


def name_events(seconds):
    """The new names told in `seconds`, each with its part's role."""
    names = []

    def heard(event):
        # The event carries the new name; the part's role is asked of the updater, which may
        # have ended by then (it ends right after the last status).
        name = event.any_data if isinstance(event.any_data, str) else (event.source.name or "")
        try:
            role = event.source.getRoleName()
        except Exception:
            role = "(gone)"
        names.append("%s %s" % (role, quoted(name)))

    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()
    pyatspi.Registry.deregisterEventListener(heard, "object:property-change:accessible-name")
    return names


def text_events(seconds):
    """The texts told inserted in `seconds`, each with its part's name."""
    texts = []

    def heard(event):
        texts.append("%s=%s" % (quoted(event.source.name or ""), quoted(str(event.any_data))))

    pyatspi.Registry.registerEventListener(heard, "object:text-changed:insert")
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()
    pyatspi.Registry.deregisterEventListener(heard, "object:text-changed:insert")
    return texts


def focus_events(window, seconds=3):
    """The parts that tell they got the focus once the window has it."""
    focused = []

    def heard(event):
        if event.detail1 == 1:
            focused.append("%s %s" % (event.source.getRoleName(), quoted(event.source.name or "")))

    pyatspi.Registry.registerEventListener(heard, "object:state-changed:focused")
    # Without a window manager the window is focused as one would: on the display itself.
    found = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(window.name) + "$"],
        check=True,
        capture_output=True,
        text=True,
    )
    subprocess.run(["xdotool", "windowfocus", "--sync", found.stdout.split()[0]], check=True)
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()
    pyatspi.Registry.deregisterEventListener(heard, "object:state-changed:focused")
    return focused


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("updater")
    parser.add_argument("--close-alert", action="store_true")
    parser.add_argument("--until")
    parser.add_argument("--value-events", type=float)
    parser.add_argument("--name-events", type=float)
    parser.add_argument("--text-events", type=float)
    parser.add_argument("--focus-window", action="store_true")
    parser.add_argument("--press")
    arguments = parser.parse_args()

    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    updater = subprocess.Popen([arguments.updater], env=environment)
    try:
        app = wait_for(lambda: application_of(updater.pid), "the updater on the accessibility bus")
        print("application: " + quoted(app.name), flush=True)

        if arguments.close_alert:
            def alert_button():
                for window in children(app):
                    if window.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG):
                        button = find(window, pyatspi.ROLE_PUSH_BUTTON, "OK")
                        if button:
                            return window, button
                return None

            alert, button = wait_for(alert_button, "an alert with an OK button")
            print("alert: " + quoted(alert.name or ""), flush=True)
            for child in children(alert):
                if child.getRole() == pyatspi.ROLE_LABEL and child.name:
                    print("alert text: " + quoted(child.name or ""), flush=True)
            do_action(button, "press")

        window = wait_for(lambda: main_window(app), "the updater's window")
        if arguments.until:
            pattern = re.compile(arguments.until)
            wait_for(
                lambda: any(pattern.search(line) for line in tree_lines(window)),
                "a line matching " + arguments.until,
            )
        print("tree:")
        for line in tree_lines(window):
            print(line)
        print("end", flush=True)

        if arguments.value_events:
            bar = find(window, pyatspi.ROLE_PROGRESS_BAR, "Güncelleme Durum Bilgileri")
            if not bar:
                fail("no progress bar")
            values = count_value_events(bar, arguments.value_events)
            print(
                "value-events: %d in %g s: %s"
                % (len(values), arguments.value_events, " ".join("%g" % v for v in values)),
                flush=True,
            )

        if arguments.name_events:
            print("name-events: " + "; ".join(name_events(arguments.name_events)), flush=True)

        if arguments.text_events:
            print("text-events: " + "; ".join(text_events(arguments.text_events)), flush=True)

        if arguments.focus_window:
            print("focus-events: " + "; ".join(focus_events(window)), flush=True)

        if arguments.press:
            button = find(window, pyatspi.ROLE_PUSH_BUTTON, arguments.press)
            if not button:
                fail("no push button " + quoted(arguments.press))
            do_action(button, "press")
            print("pressed: " + quoted(arguments.press), flush=True)
            try:
                print("exit: %d" % updater.wait(timeout=10), flush=True)
            except subprocess.TimeoutExpired:
                print("exit: still running", flush=True)
    finally:
        if updater.poll() is None:
            updater.send_signal(signal.SIGTERM)
            updater.wait()


if __name__ == "__main__":
    main()
