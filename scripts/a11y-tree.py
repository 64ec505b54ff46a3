#!/usr/bin/python3
"""Prints what a screen reader sees of every window of the screenshot mode.

Run through scripts/a11y-tree.sh, which starts a virtual screen, a session bus
and the program. This side watches the accessibility bus, prints each window's
tree once while it is shown, and counts the interactive elements, those with a
name and those the keyboard can reach.
"""
import sys
import time

import pyatspi

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_SLIDER, pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_FILLER, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_STATUS_BAR,
}
CHILD_ROLES_SKIPPED = {pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TREE_ITEM,
                       pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER, pyatspi.ROLE_TABLE_ROW}


def keys_of(acc):
    try:
        action = acc.queryAction()
        return ",".join(filter(None, (action.getKeyBinding(i) for i in range(action.nActions))))
    except NotImplementedError:
        return ""


def value_of(acc):
    try:
        return " value=%g" % acc.queryValue().currentValue
    except NotImplementedError:
        return ""


def walk(acc, depth, counts, out):
    role = acc.getRole()
    states = acc.getState()
    name = acc.name or ""
    focusable = states.contains(pyatspi.STATE_FOCUSABLE)
    # A filler counts only as a widget of its own (an image button), not as a box around others.
    interactive = role in INTERACTIVE and (role != pyatspi.ROLE_FILLER or acc.childCount == 0)
    keys = keys_of(acc)
    mark = ""
    if interactive and states.contains(pyatspi.STATE_SHOWING):
        counts[0] += 1
        counts[1] += bool(name.strip())
        counts[2] += focusable
        mark = "*"
    out.append("%s%s%s %r%s%s%s%s" % (
        "  " * depth, mark, acc.getRoleName(), name,
        " [%s]" % acc.description if acc.description else "",
        " keys=" + keys if keys else "",
        " focusable" if focusable else "", value_of(acc)))
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE,
                pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TEXT):
        return  # rows are data and a text's viewport is part of it, not controls
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None and child.getRole() not in CHILD_ROLES_SKIPPED:
            walk(child, depth + 1, counts, out)


def main():
    deadline = time.time() + float(sys.argv[1] if len(sys.argv) > 1 else 120)
    seen = {}
    totals = [0, 0, 0]
    desktop = pyatspi.Registry.getDesktop(0)
    while time.time() < deadline:
        for app in desktop:
            if app is None or "zerath" not in (app.name or "").lower():
                continue
            for i in range(app.childCount):
                try:
                    window = app.getChildAtIndex(i)
                    if window is None or not window.getState().contains(pyatspi.STATE_SHOWING):
                        continue
                    key = "%s/%d" % (window.name, window.childCount)
                    if key in seen or window.childCount == 0:
                        continue
                    counts, out = [0, 0, 0], []
                    walk(window, 0, counts, out)
                    seen[key] = counts
                    print("\n".join(out))
                    print("== %s: interactive %d, named %d, keyboard %d\n" % (window.name, *counts), flush=True)
                    for k in range(3):
                        totals[k] += counts[k]
                except Exception as e:  # a window closing while it is read
                    print("(window gone: %s)" % e, file=sys.stderr)
        if seen and not any(a is not None and "zerath" in (a.name or "").lower() for a in desktop):
            break
        time.sleep(0.05)
    print("TOTAL windows %d: interactive %d / named %d / keyboard-reachable %d" % (len(seen), *totals))


if __name__ == "__main__":
    main()
