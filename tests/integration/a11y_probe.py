#!/usr/bin/env python3
"""Looks at a running program through the accessibility bus, as a screen reader would.

  a11y_probe.py dump APP               every control that has a layout name, as JSON
  a11y_probe.py click APP NAME         does the default action of the control
  a11y_probe.py settext APP NAME TEXT  replaces the text of an editable control
  a11y_probe.py focus APP NAME         gives the control the keyboard focus

Controls are found by their accessible description, which is their layout name.
"""
import json
import sys
import time

import pyatspi


def find_app(name, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name.lower():
                return app
        time.sleep(0.2)
    raise SystemExit("no accessible application " + name)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return None


def selected_item(node):
    for child in walk(node):
        try:
            sel = child.querySelection()
        except NotImplementedError:
            continue
        if sel.nSelectedChildren > 0:
            return sel.getSelectedChild(0).name
    return None


def describe(node):
    states = node.getState()
    info = {
        "name": node.name,
        "role": node.getRoleName(),
        "checked": states.contains(pyatspi.STATE_CHECKED),
        "enabled": states.contains(pyatspi.STATE_ENABLED),
        "showing": states.contains(pyatspi.STATE_SHOWING),
    }
    text = text_of(node)
    if text is not None:
        info["text"] = text
    if node.getRole() == pyatspi.ROLE_TABLE:
        try:
            table = node.queryTable()
            info["cells"] = [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
                             for r in range(table.nRows)]
        except NotImplementedError:
            pass
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        info["selected"] = selected_item(node)
    # Parts of a compound control (the status bar's texts) have no layout name of their own.
    labels = [n.name for n in walk(node) if n is not node and not n.description
              and n.getRole() == pyatspi.ROLE_LABEL]
    if labels:
        info["labels"] = labels
    return info


def controls(app):
    found = {}
    for node in walk(app):
        if node.description and node.description not in found:
            found[node.description] = node
    return found


def main():
    command, app_name = sys.argv[1], sys.argv[2]
    app = find_app(app_name)
    nodes = controls(app)
    if command == "dump":
        print(json.dumps({k: describe(v) for k, v in nodes.items()}, ensure_ascii=False))
    elif command == "click":
        action = nodes[sys.argv[3]].queryAction()
        action.doAction(0)
    elif command == "focus":
        nodes[sys.argv[3]].queryComponent().grabFocus()
    elif command == "settext":
        nodes[sys.argv[3]].queryEditableText().setTextContents(sys.argv[4])
    else:
        raise SystemExit("unknown command " + command)


if __name__ == "__main__":
    main()
