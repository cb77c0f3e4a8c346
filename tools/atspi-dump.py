#!/usr/bin/python3
"""Prints what a screen reader sees of the program's open windows, through the AT-SPI bus.

Each window's tree, one object a line: role, "name", and what the reader is told beside it
(description, states). Focusable controls that are showing but have no name are flagged with
"!!", and the script exits with the number of them, so a manual check can be scripted.

For manual checks on a desktop or under Xvfb; the test suite checks the same through QAccessible
offscreen and does not need this. Needs python3-pyatspi and a running accessibility bus; start the
program with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 (Qt only talks to the bus when asked), e.g.:

    dbus-run-session -- sh -c 'QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 build/prjInventoryRequest &
                               sleep 5; tools/atspi-dump.py'
"""

import argparse
import sys

try:
    import pyatspi
except ImportError:
    sys.exit("atspi-dump: python3-pyatspi is not installed (apt-get install python3-pyatspi)")

WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW}
CELL_ROLES = {pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER}


def states_of(node):
    try:
        return node.getState()
    except Exception:  # an object gone while walking
        return None


def dump(node, depth, options, flagged, cells_shown):
    states = states_of(node)
    if states is None:
        return
    showing = states.contains(pyatspi.STATE_SHOWING)
    if not showing and not options.hidden:
        return
    role = node.getRole()
    if role in CELL_ROLES:
        table = cells_shown.setdefault(id(node.parent), [0])
        table[0] += 1
        if table[0] > options.cells:
            if table[0] == options.cells + 1:
                print("   " + "  " * depth + "... (more cells)")
            return
    name = node.name or ""
    line = "%s \"%s\"" % (node.getRoleName(), name)
    if node.description:
        line += " (%s)" % node.description
    marks = []
    if states.contains(pyatspi.STATE_FOCUSABLE):
        marks.append("focusable")
    if states.contains(pyatspi.STATE_FOCUSED):
        marks.append("focused")
    if not showing:
        marks.append("hidden")
    if not states.contains(pyatspi.STATE_ENABLED):
        marks.append("disabled")
    if marks:
        line += " [" + ", ".join(marks) + "]"
    unnamed = name.strip() in ("", "...")
    flag = (showing and role not in CELL_ROLES and states.contains(pyatspi.STATE_FOCUSABLE)
            and unnamed)
    if flag:
        flagged.append(line)
    print(("!! " if flag else "   ") + "  " * depth + line)
    for child in node:
        if child is not None:
            dump(child, depth + 1, options, flagged, cells_shown)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--app", default="Inventory Request",
                        help="the application's name on the bus (default: %(default)s)")
    parser.add_argument("--hidden", action="store_true",
                        help="also list objects that are not showing")
    parser.add_argument("--cells", type=int, default=12,
                        help="cells listed per table (default: %(default)s)")
    options = parser.parse_args()

    desktop = pyatspi.Registry.getDesktop(0)
    apps = [app for app in desktop if app is not None and app.name == options.app]
    if not apps:
        names = sorted({app.name for app in desktop if app is not None})
        sys.exit("atspi-dump: no application %r on the bus; there are: %s"
                 % (options.app, ", ".join(names) or "none"))
    flagged = []
    for app in apps:
        for window in app:
            if window is None or window.getRole() not in WINDOW_ROLES:
                continue
            print("== %s \"%s\"" % (window.getRoleName(), window.name))
            dump(window, 1, options, flagged, {})
            print()
    if flagged:
        print("Focusable controls without a name: %d" % len(flagged))
        for line in flagged:
            print("  " + line)
    else:
        print("Every focusable control that is showing has a name.")
    return min(len(flagged), 125)


if __name__ == "__main__":
    sys.exit(main())
